#pragma once

#include "export/ExportedHistory.h"

#include <QByteArray>

// RFC 4180 text: a header row, then one record per line ending in CRLF, a field quoted when it
// holds a comma, a quote, CR or LF, with its quotes doubled.
//
// Columns "time", "seq", "rtt_ms", "status": the sample's start time (ISO 8601 UTC), its sequence
// number, its round-trip time in milliseconds (empty for a lost probe) and "ok" or "lost".
//
// A traceroute's file holds its hop table as well, in one table so that every record has the same
// fields: a first column "record" says "sample" or "hop", and the hop rows fill "hop", "address",
// "name", "last_ms", "avg_ms", "best_ms" and "worst_ms", empty where unknown.
namespace vantorel {

QByteArray historyCsv(const ExportedHistory& history);

} // namespace vantorel
