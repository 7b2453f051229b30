#pragma once

#include <QString>
#include <optional>

namespace vantorel {

// The stored result of one host of a ping sweep, as of the sweep's last complete pass.
struct SweepHostState {
    // The host's dotted-quad address.
    QString host;
    // Whether it answered in the pass.
    std::optional<bool> alive = std::nullopt;
    // Mean round-trip time of its answers, in milliseconds.
    std::optional<double> latency = std::nullopt;
    // Its reverse-lookup name.
    std::optional<QString> hostname = std::nullopt;

    bool operator==(const SweepHostState&) const = default;
};

} // namespace vantorel
