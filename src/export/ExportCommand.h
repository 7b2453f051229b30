#pragma once

#include "platform/Clock.h"

#include <QString>
#include <cstdio>

namespace vantorel {

// What `vantorel --export KEY --since DURATION --format csv|json` asks for, as typed.
struct ExportRequest {
    QString key;
    QString since;
    QString format;
};

// Exit statuses of an export.
inline constexpr int kExportDone = 0;
// The history file exists but cannot be read.
inline constexpr int kExportUnreadable = 1;
// The request cannot be answered: a bad duration or format, or a key without history.
inline constexpr int kExportRefused = 2;

// Writes the history `request` names, from the file `databaseFile`, to `out`, or says on `err`
// why it cannot; returns the exit status. KEY is a history key ("hostPing:192.0.2.1"), or a host
// alone when only one kind of target has history for it.
int runExport(const ExportRequest& request, const QString& databaseFile, Date now, std::FILE* out,
              std::FILE* err);

} // namespace vantorel
