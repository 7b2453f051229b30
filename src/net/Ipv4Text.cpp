#include "net/Ipv4Text.h"

namespace vantorel {

namespace {

// One component, read the way an unsigned 32-bit integer parse reads it: an optional "+",
// then one or more digits. Anything above 255 is out of range, including values that would
// overflow 32 bits, so reading stops as soon as it passes 255.
std::optional<std::uint32_t> parseComponent(std::string_view piece) {
    if (!piece.empty() && piece.front() == '+')
        piece.remove_prefix(1);
    if (piece.empty())
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char c : piece) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + std::uint32_t(c - '0');
        if (value > 255)
            return std::nullopt;
    }
    return value;
}

} // namespace

std::optional<std::uint32_t> parseIPv4(std::string_view text) {
    std::uint32_t address = 0;
    int components = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find('.', start);
        const std::string_view piece = text.substr(
            start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (++components > 4)
            return std::nullopt;
        const auto value = parseComponent(piece);
        if (!value)
            return std::nullopt;
        address = (address << 8) | *value;
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    if (components != 4)
        return std::nullopt;
    return address;
}

std::optional<std::uint32_t> parseIPv4(QStringView text) {
    // Only ASCII can form an address; anything else would turn into '?' and fail below anyway,
    // but refusing it here keeps non-Latin-1 text from being narrowed at all.
    std::string narrow;
    narrow.reserve(std::size_t(text.size()));
    for (const QChar c : text) {
        if (c.unicode() > 0x7f)
            return std::nullopt;
        narrow.push_back(char(c.unicode()));
    }
    return parseIPv4(std::string_view(narrow));
}

std::string formatIPv4(std::uint32_t address) {
    std::string text;
    text.reserve(15);
    for (int shift = 24; shift >= 0; shift -= 8) {
        text += std::to_string((address >> shift) & 0xff);
        if (shift > 0)
            text += '.';
    }
    return text;
}

QString formatIPv4Qt(std::uint32_t address) {
    return QString::fromStdString(formatIPv4(address));
}

QString canonicalIPv4(const QString& text) {
    const auto address = parseIPv4(QStringView(text));
    return address ? formatIPv4Qt(*address) : text;
}

} // namespace vantorel
