#pragma once

#include "platform/Clock.h"
#include "records/HopStat.h"
#include "records/PingSample.h"
#include "targets/TargetKind.h"

#include <QString>
#include <optional>
#include <vector>

namespace vantorel {

class PingMonitor;

// What an export writes: the samples of one history key over a period, and for a traceroute its
// hop table.
struct ExportedHistory {
    // The history key, "<kind>:<host>" as a target's monitor stores it.
    QString key;
    TargetKind kind = TargetKind::hostPing;
    // The start of the period; every sample is at or after it.
    Date since = 0;
    // Oldest first.
    std::vector<PingSample> samples;
    // Traceroute only, in path order. Hops read from the history file carry no round-trip
    // history (only the last one is stored), so their average, best and worst are unknown.
    std::vector<HopStat> hops;
};

// The kind a history key belongs to: its part before the first ':' names a kind that keeps
// samples (sweeps keep none). None for anything else.
std::optional<TargetKind> kindOfHistoryKey(const QString& key);

// What `monitor` holds in memory from `since` on: the samples it keeps and, for a traceroute, its
// current hops with their round-trip history. None for a monitor without a history key.
std::optional<ExportedHistory> exportedHistoryOf(const PingMonitor& monitor, Date since);

} // namespace vantorel
