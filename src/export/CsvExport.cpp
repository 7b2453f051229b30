#include "export/CsvExport.h"

#include "export/ExportText.h"

#include <QByteArrayList>

namespace vantorel {

namespace {

constexpr int kSampleColumns = 4;
constexpr int kHopColumns = 7;

QByteArray field(const QString& text) {
    QByteArray utf8 = text.toUtf8();
    if (!utf8.contains(',') && !utf8.contains('"') && !utf8.contains('\r') && !utf8.contains('\n'))
        return utf8;
    utf8.replace('"', "\"\"");
    return '"' + utf8 + '"';
}

QByteArray milliseconds(const std::optional<double>& value) {
    return value ? export_text::milliseconds(*value) : QByteArray();
}

void appendRecord(QByteArray& out, const QByteArrayList& fields) {
    out += fields.join(',');
    out += "\r\n";
}

QByteArrayList sampleFields(const PingSample& sample) {
    return {export_text::utcTime(sample.time), QByteArray::number(qint64(sample.id)),
            milliseconds(sample.rtt), sample.rtt ? "ok" : "lost"};
}

QByteArrayList hopFields(const HopStat& hop) {
    const export_text::HopFigures figures = export_text::hopFigures(hop);
    return {QByteArray::number(qint64(hop.number)),
            field(export_text::hopAddress(hop).value_or(QString())),
            field(hop.hostname.value_or(QString())),
            milliseconds(hop.last),
            milliseconds(figures.average),
            milliseconds(figures.best),
            milliseconds(figures.worst)};
}

QByteArrayList blanks(int count) {
    return QByteArrayList(count, QByteArray());
}

} // namespace

QByteArray historyCsv(const ExportedHistory& history) {
    const QByteArrayList sampleHeader{"time", "seq", "rtt_ms", "status"};
    QByteArray out;
    if (history.kind != TargetKind::traceroute) {
        appendRecord(out, sampleHeader);
        for (const PingSample& sample : history.samples)
            appendRecord(out, sampleFields(sample));
        return out;
    }
    appendRecord(out, QByteArrayList{"record"} + sampleHeader +
                          QByteArrayList{"hop", "address", "name", "last_ms", "avg_ms", "best_ms",
                                         "worst_ms"});
    for (const PingSample& sample : history.samples)
        appendRecord(out, QByteArrayList{"sample"} + sampleFields(sample) + blanks(kHopColumns));
    for (const HopStat& hop : history.hops)
        appendRecord(out, QByteArrayList{"hop"} + blanks(kSampleColumns) + hopFields(hop));
    return out;
}

} // namespace vantorel
