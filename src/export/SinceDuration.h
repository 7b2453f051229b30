#pragma once

#include <QStringView>
#include <optional>

namespace vantorel {

// A span of time typed as a whole number and a unit: "90s", "15m", "1h", "24h", "7d". None for
// anything else, for zero, and for more than ten years (a typing slip, not a period).
std::optional<double> sinceDurationSeconds(QStringView text);

} // namespace vantorel
