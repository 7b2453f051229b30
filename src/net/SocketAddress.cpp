#include "net/SocketAddress.h"

#include "net/Ipv6Text.h"

#include <arpa/inet.h>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>

namespace vantorel {

namespace {

std::optional<std::uint32_t> scopeIdOfZone(const std::string& zone) {
    if (zone.empty())
        return 0;
    if (zone.find_first_not_of("0123456789") == std::string::npos)
        return zone.size() <= 9 ? std::optional(std::uint32_t(std::stoul(zone))) : std::nullopt;
    const unsigned index = if_nametoindex(zone.c_str());
    return index ? std::optional(std::uint32_t(index)) : std::nullopt;
}

} // namespace

std::optional<SocketAddress> SocketAddress::fromText(QStringView text) {
    SocketAddress result;
    auto* ipv4 = reinterpret_cast<sockaddr_in*>(&result.storage);
    const QByteArray latin = text.toLatin1();
    if (latin.size() == text.size() &&
        inet_pton(AF_INET, latin.constData(), &ipv4->sin_addr) == 1) {
        ipv4->sin_family = AF_INET;
        result.length = sizeof(sockaddr_in);
        return result;
    }
    const auto parsed = parseIPv6(text);
    const auto scope = parsed ? scopeIdOfZone(parsed->zone) : std::nullopt;
    if (!scope)
        return std::nullopt;
    auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&result.storage);
    ipv6->sin6_family = AF_INET6;
    ipv6->sin6_scope_id = *scope;
    std::memcpy(&ipv6->sin6_addr, parsed->bytes.data(), parsed->bytes.size());
    result.length = sizeof(sockaddr_in6);
    return result;
}

QString addressText(const sockaddr* address) {
    if (address->sa_family == AF_INET) {
        char text[INET_ADDRSTRLEN] = {};
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(address);
        return QString::fromLatin1(inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof(text)));
    }
    if (address->sa_family != AF_INET6)
        return {};
    const auto* ipv6 = reinterpret_cast<const sockaddr_in6*>(address);
    Ipv6Address parsed;
    std::memcpy(parsed.bytes.data(), &ipv6->sin6_addr, parsed.bytes.size());
    if (ipv6->sin6_scope_id != 0) {
        char name[IF_NAMESIZE] = {};
        parsed.zone =
            if_indextoname(ipv6->sin6_scope_id, name) ? name : std::to_string(ipv6->sin6_scope_id);
    }
    return formatIPv6Qt(parsed);
}

} // namespace vantorel
