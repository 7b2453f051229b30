#include "export/SinceDuration.h"

#include <QString>
#include <algorithm>

namespace vantorel {

namespace {

constexpr double kLongestSeconds = 10 * 366 * 86400.0;

std::optional<double> unitSeconds(QChar unit) {
    switch (unit.unicode()) {
    case u's':
        return 1.0;
    case u'm':
        return 60.0;
    case u'h':
        return 3600.0;
    case u'd':
        return 86400.0;
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<double> sinceDurationSeconds(QStringView text) {
    if (text.size() < 2)
        return std::nullopt;
    const std::optional<double> unit = unitSeconds(text.back());
    const QStringView number = text.chopped(1);
    // Digits only: toLongLong alone would take a sign or surrounding spaces.
    const bool digits =
        std::all_of(number.begin(), number.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    bool ok = false;
    const qlonglong count = number.toString().toLongLong(&ok);
    if (!unit || !digits || !ok || count <= 0)
        return std::nullopt;
    const double seconds = double(count) * *unit;
    if (seconds > kLongestSeconds)
        return std::nullopt;
    return seconds;
}

} // namespace vantorel
