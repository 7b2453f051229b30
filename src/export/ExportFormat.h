#pragma once

#include "export/ExportedHistory.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QStringView>
#include <optional>

namespace vantorel {

enum class ExportFormat { csv, json };

// "csv" or "json", also the file suffix of each.
QLatin1StringView formatName(ExportFormat format);
// Exact and lower case, as typed after --format.
std::optional<ExportFormat> exportFormatNamed(QStringView name);

// The whole file in `format`.
QByteArray writeExport(const ExportedHistory& history, ExportFormat format);

} // namespace vantorel
