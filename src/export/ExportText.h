#pragma once

#include "platform/Clock.h"
#include "records/HopStat.h"

#include <QByteArray>
#include <optional>

// The values both export formats write the same way.
namespace vantorel::export_text {

// ISO 8601 in UTC to the millisecond, e.g. "2026-12-07T03:04:05.123Z".
QByteArray utcTime(Date time);
// Milliseconds in plain decimal notation, the shortest that reads back as the same double (never
// an exponent, which some spreadsheets misread).
QByteArray milliseconds(double value);

// Figures of a hop's kept round-trip times; none when it has none.
struct HopFigures {
    std::optional<double> average;
    std::optional<double> best;
    std::optional<double> worst;
};
HopFigures hopFigures(const HopStat& hop);

// The answering address, or none while the hop has had no answer.
std::optional<QString> hopAddress(const HopStat& hop);

} // namespace vantorel::export_text
