#include "export/ExportFormat.h"

#include "export/CsvExport.h"
#include "export/JsonExport.h"

namespace vantorel {

QLatin1StringView formatName(ExportFormat format) {
    return format == ExportFormat::csv ? QLatin1StringView("csv") : QLatin1StringView("json");
}

std::optional<ExportFormat> exportFormatNamed(QStringView name) {
    for (const ExportFormat format : {ExportFormat::csv, ExportFormat::json}) {
        if (name == formatName(format))
            return format;
    }
    return std::nullopt;
}

QByteArray writeExport(const ExportedHistory& history, ExportFormat format) {
    return format == ExportFormat::csv ? historyCsv(history) : historyJson(history);
}

} // namespace vantorel
