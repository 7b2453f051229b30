#pragma once

#include "export/ExportedHistory.h"

#include <QByteArray>

// One JSON object: "key", "kind" and "host" of the history, "since" (ISO 8601 UTC), and
// "samples", an array of {"seq", "time", "rtt_ms"} with null for a lost probe. A traceroute's
// also has "hops", an array of {"hop", "address", "name", "last_ms", "avg_ms", "best_ms",
// "worst_ms"}, null where unknown. Numbers are JSON numbers, in milliseconds; one sample or hop
// per line, so that the file also reads well.
namespace vantorel {

QByteArray historyJson(const ExportedHistory& history);

} // namespace vantorel
