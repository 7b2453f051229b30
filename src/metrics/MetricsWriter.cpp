#include "metrics/MetricsWriter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

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

// The longest value a sample line holds: a double's shortest form, e.g. -2.2250738585072014e-308.
constexpr qsizetype kLongestValue = 24;

// Copies a part of a sample line: a name, a label list, a few dozen bytes. Word by word here
// rather than through memcpy, whose call costs more than such a copy: measured on an AVX-512
// machine, where the C library picks its widest copy, a rendering took 3.5 times as long.
[[clang::no_builtin("memcpy", "memmove")]] char* copyShort(char* out, QByteArrayView part) {
    const char* in = part.data();
    qsizetype left = part.size();
    for (; left >= 8; left -= 8, in += 8, out += 8)
        __builtin_memcpy_inline(out, in, 8);
    for (; left > 0; --left)
        *out++ = *in++;
    return out;
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
    // Emptied before it is sized: a text still shared with a response going out would otherwise
    // be copied, only to be written over.
    text_.truncate(0);
    text_.resize(expectedSize + expectedSize / 8);
}

char* MetricsWriter::room(qsizetype bytes) {
    if (written_ + bytes > text_.size())
        text_.resize(std::max(2 * text_.size(), written_ + bytes));
    return text_.data() + written_;
}

void MetricsWriter::put(QByteArrayView part) {
    std::memcpy(room(part.size()), part.data(), std::size_t(part.size()));
    written_ += part.size();
}

void MetricsWriter::family(std::string_view name, MetricType type, std::string_view help,
                           std::string_view unit) {
    family_ = QByteArray(name.data(), qsizetype(name.size()));
    // The classic format names a counter family after its samples, `_total` included.
    QByteArray announced = family_;
    if (type == MetricType::counter && format_ == ExpositionFormat::prometheusText)
        announced += "_total";
    put("# TYPE " + announced + ' ');
    put(typeName(type));
    if (!unit.empty() && format_ == ExpositionFormat::openMetrics) {
        put("\n# UNIT " + announced + ' ');
        put(unit);
    }
    put("\n# HELP " + announced + ' ');
    put(help);
    put("\n");
}

char* MetricsWriter::sampleName(QByteArrayView suffix, QByteArrayView labels, QByteArrayView more) {
    // The parts, their four separators, the value and the line break.
    char* out =
        room(family_.size() + suffix.size() + labels.size() + more.size() + 4 + kLongestValue + 1);
    out = copyShort(out, family_);
    out = copyShort(out, suffix);
    if (!labels.isEmpty() || !more.isEmpty()) {
        *out++ = '{';
        out = copyShort(out, labels);
        if (!labels.isEmpty() && !more.isEmpty())
            *out++ = ',';
        out = copyShort(out, more);
        *out++ = '}';
    }
    *out++ = ' ';
    return out;
}

void MetricsWriter::endSample(char* valueEnd) {
    *valueEnd = '\n';
    written_ = valueEnd + 1 - text_.constData();
}

void MetricsWriter::sample(QByteArrayView suffix, QByteArrayView labels, double value,
                           QByteArrayView more) {
    char* out = sampleName(suffix, labels, more);
    // The shortest text that reads back as the value; +Inf, -Inf and NaN as the formats spell them.
    if (std::isnan(value))
        out = std::copy_n("NaN", 3, out);
    else if (std::isinf(value))
        out = std::copy_n(value > 0 ? "+Inf" : "-Inf", 4, out);
    else
        out = std::to_chars(out, out + kLongestValue, value).ptr;
    endSample(out);
}

void MetricsWriter::sample(QByteArrayView suffix, QByteArrayView labels, std::int64_t value,
                           QByteArrayView more) {
    char* out = sampleName(suffix, labels, more);
    endSample(std::to_chars(out, out + kLongestValue, value).ptr);
}

void MetricsWriter::finish() {
    if (format_ == ExpositionFormat::openMetrics)
        put("# EOF\n");
    text_.resize(written_);
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

void appendFixed(QByteArray& out, double value) {
    std::array<char, 400> digits; // room for the longest fixed rendering of a double
    const auto end = std::to_chars(digits.begin(), digits.end(), value, std::chars_format::fixed);
    out.append(digits.data(), end.ptr - digits.data());
}

} // namespace vantorel
