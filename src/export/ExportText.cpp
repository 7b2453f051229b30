#include "export/ExportText.h"

#include <QDateTime>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>

namespace vantorel::export_text {

QByteArray utcTime(Date time) {
    const auto msecs = qint64(std::llround(unixSecondsFromDate(time) * 1000.0));
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toString(Qt::ISODateWithMs).toLatin1();
}

QByteArray milliseconds(double value) {
    char text[400];
    const auto result =
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed);
    return QByteArray(text, result.ptr - text);
}

HopFigures hopFigures(const HopStat& hop) {
    if (hop.rtts.empty())
        return {};
    const auto [best, worst] = std::minmax_element(hop.rtts.begin(), hop.rtts.end());
    const double sum = std::accumulate(hop.rtts.begin(), hop.rtts.end(), 0.0);
    return {sum / double(hop.rtts.size()), *best, *worst};
}

std::optional<QString> hopAddress(const HopStat& hop) {
    if (hop.host == HopStat::kUnanswered)
        return std::nullopt;
    return hop.host;
}

} // namespace vantorel::export_text
