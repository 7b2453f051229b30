#include "metrics/MetricsWriter.h"

#include <array>
#include <charconv>
#include <cmath>

namespace vantorel {

namespace {

std::string_view typeName(MetricType type) {
    switch (type) {
    case MetricType::counter:
        return "counter";
    case MetricType::gauge:
        return "gauge";
    case MetricType::histogram:
        return "histogram";
    }
    return "unknown";
}

void append(QByteArray& out, std::string_view text) {
    out.append(text.data(), qsizetype(text.size()));
}

} // namespace

QByteArrayView contentType(ExpositionFormat format) {
    return format == ExpositionFormat::openMetrics
               ? "application/openmetrics-text; version=1.0.0; charset=utf-8"
               : "text/plain; version=0.0.4; charset=utf-8";
}

MetricsWriter::MetricsWriter(ExpositionFormat format, QByteArray& text, qsizetype expectedSize)
    : format_(format)
    , text_(text) {
    text_.truncate(0);
    text_.reserve(expectedSize + expectedSize / 8);
}

void MetricsWriter::family(std::string_view name, MetricType type, std::string_view help,
                           std::string_view unit) {
    family_ = QByteArray(name.data(), qsizetype(name.size()));
    // The classic format names a counter family after its samples, `_total` included.
    QByteArray announced = family_;
    if (type == MetricType::counter && format_ == ExpositionFormat::prometheusText)
        announced += "_total";
    text_ += "# TYPE " + announced + ' ';
    append(text_, typeName(type));
    if (!unit.empty() && format_ == ExpositionFormat::openMetrics) {
        text_ += "\n# UNIT " + announced + ' ';
        append(text_, unit);
    }
    text_ += "\n# HELP " + announced + ' ';
    append(text_, help);
    text_ += '\n';
}

void MetricsWriter::sampleName(QByteArrayView suffix, QByteArrayView labels, QByteArrayView more) {
    text_ += family_;
    text_ += suffix;
    if (labels.isEmpty() && more.isEmpty()) {
        text_ += ' ';
        return;
    }
    text_ += '{';
    text_ += labels;
    if (!labels.isEmpty() && !more.isEmpty())
        text_ += ',';
    text_ += more;
    text_ += "} ";
}

void MetricsWriter::sample(QByteArrayView suffix, QByteArrayView labels, double value,
                           QByteArrayView more) {
    sampleName(suffix, labels, more);
    appendNumber(text_, value);
    text_ += '\n';
}

void MetricsWriter::sample(QByteArrayView suffix, QByteArrayView labels, std::int64_t value,
                           QByteArrayView more) {
    sampleName(suffix, labels, more);
    std::array<char, 24> digits;
    const auto end = std::to_chars(digits.begin(), digits.end(), value).ptr;
    text_.append(digits.data(), end - digits.data());
    text_ += '\n';
}

void MetricsWriter::finish() {
    if (format_ == ExpositionFormat::openMetrics)
        text_ += "# EOF\n";
}

void appendLabel(QByteArray& out, std::string_view name, QStringView value) {
    append(out, name);
    out += "=\"";
    for (const char c : value.toUtf8()) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    out += '"';
}

void appendNumber(QByteArray& out, double value, bool fixed) {
    if (std::isnan(value)) {
        out += "NaN";
    } else if (std::isinf(value)) {
        out += value > 0 ? "+Inf" : "-Inf";
    } else {
        std::array<char, 400> digits; // room for the longest fixed rendering of a double
        const auto end =
            fixed ? std::to_chars(digits.begin(), digits.end(), value, std::chars_format::fixed).ptr
                  : std::to_chars(digits.begin(), digits.end(), value).ptr;
        out.append(digits.data(), end - digits.data());
    }
}

} // namespace vantorel
