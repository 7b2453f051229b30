#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <optional>
#include <span>
#include <vector>

// Stored lists (trace paths, sweep results, the target list) are JSON arrays of one element type,
// written compactly in order and read all-or-nothing.
namespace vantorel::json_array {

// "[e1,e2,…]" from each element's own encoding; none as soon as one element cannot be written.
template <typename T, typename EncodeElement>
std::optional<QByteArray> encode(std::span<const T> elements, EncodeElement encodeElement) {
    QByteArray text("[");
    for (const T& element : elements) {
        const std::optional<QByteArray> encoded = encodeElement(element);
        if (!encoded)
            return std::nullopt;
        if (text.size() > 1)
            text.append(',');
        text.append(*encoded);
    }
    text.append(']');
    return text;
}

// The elements of a JSON array, decoded one by one; none when the text is not an array or any
// element fails, so a damaged entry never yields a partial list.
template <typename T, typename DecodeElement>
std::optional<std::vector<T>> decode(const QByteArray& json, DecodeElement decodeElement) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    std::vector<T> elements;
    elements.reserve(std::size_t(array.size()));
    for (const QJsonValue& value : array) {
        std::optional<T> element = decodeElement(value);
        if (!element)
            return std::nullopt;
        elements.push_back(std::move(*element));
    }
    return elements;
}

} // namespace vantorel::json_array
