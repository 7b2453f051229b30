#include "export/ExportCommand.h"

#include "export/ExportFormat.h"
#include "export/SinceDuration.h"
#include "history/HistoryDatabase.h"
#include "records/HopStatJson.h"

#include <QFileInfo>
#include <algorithm>
#include <iterator>
#include <variant>

namespace vantorel {

namespace {

struct Refusal {
    QString message;
};

void say(std::FILE* err, const QString& message) {
    std::fprintf(err, "vantorel: %s\n", message.toLocal8Bit().constData());
}

QString keyList(const QStringList& keys) {
    return keys.isEmpty() ? QStringLiteral("the history is empty")
                          : QStringLiteral("keys with history: ") + keys.join(QStringLiteral(", "));
}

// The stored key that `typed` means: itself, or the one key of that host.
std::variant<QString, Refusal> resolveKey(const QString& typed, const QStringList& keys) {
    if (keys.contains(typed) && kindOfHistoryKey(typed))
        return typed;
    QStringList sameHost;
    for (const QString& key : keys) {
        if (kindOfHistoryKey(key) && key.section(QLatin1Char(':'), 1) == typed)
            sameHost.append(key);
    }
    if (sameHost.size() == 1)
        return sameHost.front();
    if (sameHost.size() > 1)
        return Refusal{QStringLiteral("\"%1\" has history under several keys; name one: %2")
                           .arg(typed, sameHost.join(QStringLiteral(", ")))};
    QStringList exportable;
    std::copy_if(keys.begin(), keys.end(), std::back_inserter(exportable),
                 [](const QString& key) { return kindOfHistoryKey(key).has_value(); });
    return Refusal{QStringLiteral("no history for \"%1\"; %2").arg(typed, keyList(exportable))};
}

} // namespace

int runExport(const ExportRequest& request, const QString& databaseFile, Date now, std::FILE* out,
              std::FILE* err) {
    const std::optional<double> span = sinceDurationSeconds(request.since);
    if (!span) {
        say(err, QStringLiteral("--since \"%1\" is not a duration; give a whole number and s, m, "
                                "h or d, such as 90s, 15m, 24h or 7d")
                     .arg(request.since));
        return kExportRefused;
    }
    const std::optional<ExportFormat> format = exportFormatNamed(request.format);
    if (!format) {
        say(err, QStringLiteral("--format \"%1\" is neither csv nor json").arg(request.format));
        return kExportRefused;
    }
    // No file means no history was ever recorded: the key is as unknown as any other.
    if (!QFileInfo(databaseFile).isFile()) {
        say(err, QStringLiteral("no history for \"%1\"; there is no history file at %2")
                     .arg(request.key, databaseFile));
        return kExportRefused;
    }
    HistoryDatabase database;
    if (QString error; !database.openForReading(databaseFile, error)) {
        say(err, error);
        return kExportUnreadable;
    }
    QStringList keys;
    for (const QByteArray& stored : database.keys())
        keys.append(QString::fromUtf8(stored));
    const auto resolved = resolveKey(request.key, keys);
    if (const auto* refusal = std::get_if<Refusal>(&resolved)) {
        say(err, refusal->message);
        return kExportRefused;
    }
    const QString& key = std::get<QString>(resolved);
    ExportedHistory history{.key = key, .kind = *kindOfHistoryKey(key), .since = now - *span};
    history.samples = database.loadSamples(key.toUtf8(), history.since);
    if (history.kind == TargetKind::traceroute) {
        // A path that does not decode exports as no hops, as the detail pane shows none.
        if (const auto json = database.loadTracePath(key.toUtf8()))
            history.hops = decodeHopStats(*json).value_or(std::vector<HopStat>());
    }
    const QByteArray text = writeExport(history, *format);
    if (std::fwrite(text.constData(), 1, std::size_t(text.size()), out) !=
            std::size_t(text.size()) ||
        std::fflush(out) != 0) {
        say(err, QStringLiteral("the export could not be written out"));
        return kExportUnreadable;
    }
    return kExportDone;
}

} // namespace vantorel
