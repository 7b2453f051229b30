#pragma once

#include <QLatin1StringView>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

namespace vantorel {

// One hop of a traceroute path and the round-trip history of the node answering at its TTL.
struct HopStat {
    // Host of a hop that has had no answer since it was created; also what a timeout reports.
    static constexpr QLatin1StringView kUnanswered{"*"};
    static constexpr std::size_t kMaxRtts = 200;

    // The TTL of this hop.
    std::int64_t number = 0;
    // Address of the node that answered at this TTL (a dotted quad or canonical IPv6 text), or
    // `kUnanswered`.
    QString host = kUnanswered;
    // Reverse-DNS name of `host`, once a lookup has found one.
    std::optional<QString> hostname = std::nullopt;
    // Milliseconds of the most recent probe; none when it timed out.
    std::optional<double> last = std::nullopt;
    // Milliseconds of the answered probes, oldest first, at most `kMaxRtts`. A deque, because
    // once full every answer drops the oldest value.
    std::deque<double> rtts = {};

    // Folds in one probe result: `answeredBy` is the answering address or `kUnanswered`. An
    // answer from a different node starts the hop's history again; a timeout keeps it.
    void record(const QString& answeredBy, std::optional<double> rtt);

    bool operator==(const HopStat&) const = default;
};

} // namespace vantorel
