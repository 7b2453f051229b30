#pragma once

#include <QString>
#include <optional>

namespace vantorel {

// The outcome of one timed service attempt. Failures are values: each field is simply absent
// when the attempt did not produce it.
struct ServiceResult {
    // Milliseconds from the start of the attempt to success; absent when the attempt failed.
    std::optional<double> rttMs;
    // The HTTP status of the response; absent for TCP and when no HTTP response arrived.
    std::optional<int> httpStatus;
    // A readable reason when the attempt could not be made or the request failed.
    std::optional<QString> errorText;

    friend bool operator==(const ServiceResult&, const ServiceResult&) = default;
};

} // namespace vantorel
