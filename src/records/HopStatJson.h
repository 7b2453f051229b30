#pragma once

#include "records/HopStat.h"

#include <QByteArray>
#include <QJsonValue>
#include <optional>
#include <span>
#include <vector>

// The stored form of a traceroute path: a JSON array of objects with the members "number",
// "host", "hostname" and "last" in that order, the optional two left out when absent. The
// round-trip history is not stored; a decoded hop starts with none.
namespace vantorel {

// Compact UTF-8 JSON; none when a `last` cannot be written as a JSON number.
std::optional<QByteArray> encodeHopStat(const HopStat& hop);
std::optional<QByteArray> encodeHopStats(std::span<const HopStat> hops);

// Strict: a missing or non-string "host", a "number" that is not an integer, or an optional
// member of the wrong type fails the hop, and one failing hop fails the whole path.
std::optional<HopStat> decodeHopStat(const QJsonValue& value);
std::optional<std::vector<HopStat>> decodeHopStats(const QByteArray& json);

} // namespace vantorel
