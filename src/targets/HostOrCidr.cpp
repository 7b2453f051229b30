#include "targets/HostOrCidr.h"

#include "net/Ipv4Text.h"
#include "targets/TrimSpaces.h"

#include <algorithm>
#include <limits>

namespace vantorel {

namespace {

// An optional sign and decimal digits only, within the signed 64-bit range. Unlike Qt's own
// conversions this accepts no surrounding spaces, so "/ 24" is refused.
std::optional<std::int64_t> parseDecimalInteger(QStringView text) {
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.sliced(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    // Accumulated as a negative number, whose range is one larger, so that the lowest value
    // can be read without overflowing.
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (value < (lowest + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (negative)
        return value;
    if (value == lowest)
        return std::nullopt;
    return -value;
}

} // namespace

HostOrCidrResult parseHostOrCidr(QStringView text) {
    const QStringView trimmed = trimSpacesAndTabs(text);
    if (trimmed.isEmpty())
        return QStringLiteral("Enter a host or CIDR");

    const qsizetype slash = trimmed.indexOf(u'/');
    const QStringView host = trimSpacesAndTabs(slash < 0 ? trimmed : trimmed.first(slash));
    if (host.isEmpty())
        return QStringLiteral("Missing address");
    if (slash < 0)
        return HostOrCidr{host.toString(), 32};

    const auto mask = parseDecimalInteger(trimmed.sliced(slash + 1));
    if (!mask)
        return QStringLiteral("Invalid CIDR mask");
    if (*mask < 24 || *mask > 32)
        return QStringLiteral("CIDR mask must be /24\u2013/32");
    if (*mask == 32)
        return HostOrCidr{host.toString(), 32};
    if (!parseIPv4(host))
        return QStringLiteral("Ranges require a valid IPv4 address");
    return HostOrCidr{host.toString(), *mask};
}

std::optional<Ipv4Range> cidrRange(QStringView host, std::int64_t prefix) {
    if (prefix >= 32)
        return std::nullopt;
    const auto address = parseIPv4(host);
    if (!address)
        return std::nullopt;
    // Counted in 64 bits: a block of prefix 0 holds 2^32 addresses, one more than 32 bits count.
    const int hostBits = 32 - int(std::max<std::int64_t>(prefix, 0));
    const std::uint64_t size = std::uint64_t(1) << hostBits;
    const std::uint64_t network = std::uint64_t(*address) & ~(size - 1);
    const std::uint64_t broadcast = network + size - 1;
    if (size >= 3)
        return Ipv4Range{std::uint32_t(network + 1), std::uint32_t(broadcast - 1)};
    return Ipv4Range{std::uint32_t(network), std::uint32_t(broadcast)};
}

} // namespace vantorel
