#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace vantorel {

// Compact JSON text written by hand, for stored forms whose members have a fixed order
// (QJsonObject would sort them). Output is UTF-8.
namespace json_text {

// A quoted string. Lone surrogates are written as \u escapes so that the text reads back to
// exactly the same UTF-16.
void appendString(QByteArray& out, QStringView text);
void appendInteger(QByteArray& out, std::int64_t value);
// The shortest text that reads back as the same double. JSON has no form for infinities or
// NaN, so those are refused and nothing is appended.
bool appendNumber(QByteArray& out, double value);

} // namespace json_text

// One JSON object, its members written in the order they are added.
class JsonObjectText {
public:
    JsonObjectText();

    JsonObjectText& addInteger(QLatin1StringView name, std::int64_t value);
    JsonObjectText& addString(QLatin1StringView name, QStringView value);
    JsonObjectText& addBool(QLatin1StringView name, bool value);
    // A value JSON cannot express makes the whole object fail.
    JsonObjectText& addNumber(QLatin1StringView name, double value);

    // The finished object, or none when a member could not be written.
    std::optional<QByteArray> finish() const;

private:
    void beginMember(QLatin1StringView name);

    QByteArray text_;
    bool empty_ = true;
    bool failed_ = false;
};

} // namespace vantorel
