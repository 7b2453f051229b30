#include "records/JsonText.h"

#include <charconv>
#include <cmath>

namespace vantorel {

namespace json_text {

namespace {

void appendHexEscape(QByteArray& out, char16_t unit) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.append("\\u");
    for (int shift = 12; shift >= 0; shift -= 4)
        out.append(kHex[(unit >> shift) & 0xf]);
}

void appendAscii(QByteArray& out, char16_t c) {
    switch (c) {
    case u'"':
        out.append("\\\"");
        return;
    case u'\\':
        out.append("\\\\");
        return;
    case u'\b':
        out.append("\\b");
        return;
    case u'\f':
        out.append("\\f");
        return;
    case u'\n':
        out.append("\\n");
        return;
    case u'\r':
        out.append("\\r");
        return;
    case u'\t':
        out.append("\\t");
        return;
    default:
        if (c < 0x20)
            appendHexEscape(out, c);
        else
            out.append(char(c));
    }
}

void appendUtf8(QByteArray& out, char32_t codePoint) {
    if (codePoint < 0x800) {
        out.append(char(0xc0 | (codePoint >> 6)));
    } else if (codePoint < 0x10000) {
        out.append(char(0xe0 | (codePoint >> 12)));
        out.append(char(0x80 | ((codePoint >> 6) & 0x3f)));
    } else {
        out.append(char(0xf0 | (codePoint >> 18)));
        out.append(char(0x80 | ((codePoint >> 12) & 0x3f)));
        out.append(char(0x80 | ((codePoint >> 6) & 0x3f)));
    }
    out.append(char(0x80 | (codePoint & 0x3f)));
}

} // namespace

void appendString(QByteArray& out, QStringView text) {
    out.append('"');
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < 0x80) {
            appendAscii(out, unit);
        } else if (QChar::isHighSurrogate(unit) && i + 1 < size &&
                   QChar::isLowSurrogate(text[i + 1].unicode())) {
            appendUtf8(out, QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
            ++i;
        } else if (QChar::isSurrogate(unit)) {
            appendHexEscape(out, unit);
        } else {
            appendUtf8(out, unit);
        }
    }
    out.append('"');
}

void appendInteger(QByteArray& out, std::int64_t value) {
    out.append(QByteArray::number(value));
}

bool appendNumber(QByteArray& out, double value) {
    if (!std::isfinite(value))
        return false;
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
    return true;
}

} // namespace json_text

JsonObjectText::JsonObjectText()
    : text_("{") {}

void JsonObjectText::beginMember(QLatin1StringView name) {
    if (!empty_)
        text_.append(',');
    empty_ = false;
    json_text::appendString(text_, QString(name));
    text_.append(':');
}

JsonObjectText& JsonObjectText::addInteger(QLatin1StringView name, std::int64_t value) {
    beginMember(name);
    json_text::appendInteger(text_, value);
    return *this;
}

JsonObjectText& JsonObjectText::addString(QLatin1StringView name, QStringView value) {
    beginMember(name);
    json_text::appendString(text_, value);
    return *this;
}

JsonObjectText& JsonObjectText::addBool(QLatin1StringView name, bool value) {
    beginMember(name);
    text_.append(value ? "true" : "false");
    return *this;
}

JsonObjectText& JsonObjectText::addNumber(QLatin1StringView name, double value) {
    beginMember(name);
    if (!json_text::appendNumber(text_, value))
        failed_ = true;
    return *this;
}

std::optional<QByteArray> JsonObjectText::finish() const {
    if (failed_)
        return std::nullopt;
    return text_ + '}';
}

} // namespace vantorel
