#pragma once

#include "history/SweepHostState.h"

#include <QByteArray>
#include <QJsonValue>
#include <optional>
#include <span>
#include <vector>

// The stored form of a sweep result: a JSON array with one object per host, in the sweep's host
// order, with the members "host", "alive", "latency" and "hostname" in that order and the
// optional three left out when absent.
namespace vantorel {

// Compact UTF-8 JSON; none when a latency cannot be written as a JSON number.
std::optional<QByteArray> encodeSweepHostStates(std::span<const SweepHostState> states);

// Strict: a missing or non-string "host", or an optional member of the wrong type, fails the
// element, and one failing element fails the whole array. Absent and null both read as none.
std::optional<SweepHostState> decodeSweepHostState(const QJsonValue& value);
std::optional<std::vector<SweepHostState>> decodeSweepHostStates(const QByteArray& json);

} // namespace vantorel
