#include "export/JsonExport.h"

#include "export/ExportText.h"
#include "records/JsonText.h"

#include <cmath>

namespace vantorel {

namespace {

// A member, with the comma that separates it from the one before unless it is the first.
void appendName(QByteArray& out, const char* name, bool first = false) {
    if (!first)
        out += ',';
    json_text::appendString(out, QString::fromLatin1(name));
    out += ':';
}

void appendNumberOrNull(QByteArray& out, const std::optional<double>& value) {
    // A value JSON has no number for (never a measured time) is as unknown as a missing one.
    if (!value || !json_text::appendNumber(out, *value))
        out += "null";
}

void appendStringOrNull(QByteArray& out, const std::optional<QString>& value) {
    if (value)
        json_text::appendString(out, *value);
    else
        out += "null";
}

void appendSample(QByteArray& out, const PingSample& sample) {
    out += '{';
    appendName(out, "seq", true);
    json_text::appendInteger(out, sample.id);
    appendName(out, "time");
    json_text::appendString(out, QString::fromLatin1(export_text::utcTime(sample.time)));
    appendName(out, "rtt_ms");
    appendNumberOrNull(out, sample.rtt);
    out += '}';
}

void appendHop(QByteArray& out, const HopStat& hop) {
    const export_text::HopFigures figures = export_text::hopFigures(hop);
    out += '{';
    appendName(out, "hop", true);
    json_text::appendInteger(out, hop.number);
    appendName(out, "address");
    appendStringOrNull(out, export_text::hopAddress(hop));
    appendName(out, "name");
    appendStringOrNull(out, hop.hostname);
    appendName(out, "last_ms");
    appendNumberOrNull(out, hop.last);
    appendName(out, "avg_ms");
    appendNumberOrNull(out, figures.average);
    appendName(out, "best_ms");
    appendNumberOrNull(out, figures.best);
    appendName(out, "worst_ms");
    appendNumberOrNull(out, figures.worst);
    out += '}';
}

template <typename Element, typename AppendElement>
void appendArray(QByteArray& out, const std::vector<Element>& elements, AppendElement append) {
    out += '[';
    for (std::size_t i = 0; i < elements.size(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        append(out, elements[i]);
    }
    out += "\n]";
}

} // namespace

QByteArray historyJson(const ExportedHistory& history) {
    QByteArray out("{");
    appendName(out, "key", true);
    json_text::appendString(out, history.key);
    appendName(out, "kind");
    json_text::appendString(out, QString(persistedName(history.kind)));
    appendName(out, "host");
    json_text::appendString(out, history.key.section(QLatin1Char(':'), 1));
    appendName(out, "since");
    json_text::appendString(out, QString::fromLatin1(export_text::utcTime(history.since)));
    appendName(out, "samples");
    appendArray(out, history.samples, appendSample);
    if (history.kind == TargetKind::traceroute) {
        appendName(out, "hops");
        appendArray(out, history.hops, appendHop);
    }
    out += "}\n";
    return out;
}

} // namespace vantorel
