#include "net/Ipv6Text.h"

#include "net/Ipv4Text.h"

#include <algorithm>

namespace vantorel {

namespace {

constexpr std::size_t kMaxZoneLength = 15; // an interface name, as the kernel limits it

bool isZoneCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
           c == '_' || c == '-';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::uint16_t> parseGroup(std::string_view piece) {
    if (piece.empty() || piece.size() > 4)
        return std::nullopt;
    std::uint16_t value = 0;
    for (const char c : piece) {
        if (hexValue(c) < 0)
            return std::nullopt;
        value = std::uint16_t(value << 4 | hexValue(c));
    }
    return value;
}

// Stricter than parseIPv4: inside an IPv6 address a quad has no signs and no leading zeros, as
// the system's own parser (inet_pton) reads it.
std::optional<std::uint32_t> parseEmbeddedQuad(std::string_view piece) {
    std::string_view rest = piece;
    for (int i = 0; i < 4; ++i) {
        const std::string_view part = rest.substr(0, rest.find('.'));
        if (part.empty() || part.size() > 3 || (part.size() > 1 && part[0] == '0') ||
            part[0] == '+')
            return std::nullopt;
        rest.remove_prefix(std::min(rest.size(), part.size() + 1));
    }
    return parseIPv4(piece);
}

} // namespace

std::optional<Ipv6Address> parseIPv6(std::string_view text) {
    Ipv6Address address;
    if (const std::size_t percent = text.find('%'); percent != std::string_view::npos) {
        address.zone = text.substr(percent + 1);
        text = text.substr(0, percent);
        if (address.zone.empty() || address.zone.size() > kMaxZoneLength ||
            !std::all_of(address.zone.begin(), address.zone.end(), isZoneCharacter))
            return std::nullopt;
    }
    std::array<std::uint16_t, 8> groups{};
    int count = 0;
    int gap = -1; // the group index where "::" stands
    std::size_t at = 0;
    if (text.starts_with("::")) {
        gap = 0;
        at = 2;
    }
    while (at < text.size()) {
        const std::size_t colon = text.find(':', at);
        const std::string_view piece = text.substr(at, colon - at);
        if (colon == std::string_view::npos && piece.find('.') != std::string_view::npos) {
            const auto quad = parseEmbeddedQuad(piece);
            if (!quad || count > 6)
                return std::nullopt;
            groups[std::size_t(count++)] = std::uint16_t(*quad >> 16);
            groups[std::size_t(count++)] = std::uint16_t(*quad);
            break;
        }
        const auto group = parseGroup(piece);
        if (!group || count == 8)
            return std::nullopt;
        groups[std::size_t(count++)] = *group;
        if (colon == std::string_view::npos)
            break;
        at = colon + 1;
        if (at < text.size() && text[at] == ':') {
            if (gap >= 0)
                return std::nullopt;
            gap = count;
            ++at;
        } else if (at == text.size()) {
            return std::nullopt; // a single trailing colon
        }
    }
    if (gap < 0 ? count != 8 : count > 7)
        return std::nullopt;
    if (gap >= 0) { // the groups after "::" move to the end, zeros fill the gap
        std::copy_backward(groups.begin() + gap, groups.begin() + count, groups.end());
        std::fill(groups.begin() + gap, groups.end() - (count - gap), 0);
    }
    for (std::size_t i = 0; i < 8; ++i) {
        address.bytes[2 * i] = std::uint8_t(groups[i] >> 8);
        address.bytes[2 * i + 1] = std::uint8_t(groups[i]);
    }
    return address;
}

std::optional<Ipv6Address> parseIPv6(QStringView text) {
    std::string narrow;
    for (const QChar c : text) {
        if (c.unicode() > 0x7f)
            return std::nullopt;
        narrow.push_back(char(c.unicode()));
    }
    return parseIPv6(std::string_view(narrow));
}

std::string formatIPv6(const Ipv6Address& address) {
    const auto& b = address.bytes;
    std::array<std::uint16_t, 8> groups{};
    for (std::size_t i = 0; i < 8; ++i)
        groups[i] = std::uint16_t(b[2 * i] << 8 | b[2 * i + 1]);
    const bool mapped = std::all_of(b.begin(), b.begin() + 10, [](auto x) { return x == 0; }) &&
                        groups[5] == 0xffff;
    const int shown = mapped ? 6 : 8; // groups written in hex
    int runStart = -1;
    int runLength = 1; // a single zero group is never compressed
    for (int i = 0; i < shown;) {
        int end = i;
        while (end < shown && groups[std::size_t(end)] == 0)
            ++end;
        if (end - i > runLength) {
            runStart = i;
            runLength = end - i;
        }
        i = std::max(end, i + 1);
    }
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < shown; ++i) {
        if (i == runStart) {
            text += "::";
            i += runLength - 1;
            continue;
        }
        if (!text.empty() && text.back() != ':')
            text += ':';
        const std::uint16_t group = groups[std::size_t(i)];
        for (int shift = 12; shift >= 0; shift -= 4)
            if (group >> shift || shift == 0)
                text += digits[group >> shift & 0xf];
    }
    if (mapped) {
        if (text.back() != ':')
            text += ':';
        text += formatIPv4(std::uint32_t(groups[6]) << 16 | groups[7]);
    }
    if (!address.zone.empty())
        text += '%' + address.zone;
    return text;
}

QString formatIPv6Qt(const Ipv6Address& address) {
    return QString::fromStdString(formatIPv6(address));
}

} // namespace vantorel
