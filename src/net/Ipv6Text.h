#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

struct Ipv6Address {
    std::array<std::uint8_t, 16> bytes{}; // network order
    std::string zone; // as typed after '%': an interface name or index; empty for none

    bool operator==(const Ipv6Address&) const = default;
};

// Reads RFC 4291 text: eight groups of one to four hex digits in either case, a single "::"
// standing for one or more zero groups, and the last 32 bits optionally as a dotted quad (no
// leading zeros there). An optional zone index follows a '%': up to 15 letters, digits, '.', '_'
// or '-'. Brackets, spaces, prefix lengths and anything else make the text no address.
std::optional<Ipv6Address> parseIPv6(std::string_view text);
std::optional<Ipv6Address> parseIPv6(QStringView text);

// The canonical text of RFC 5952: lower-case hex without leading zeros, the longest run of two or
// more zero groups (the first of equal ones) written "::", an IPv4-mapped address ending in its
// dotted quad; then the zone as it was typed.
std::string formatIPv6(const Ipv6Address& address);
QString formatIPv6Qt(const Ipv6Address& address);

} // namespace vantorel
