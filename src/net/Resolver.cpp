#include "net/Resolver.h"

#include "net/Ipv4Text.h"
#include "net/Ipv6Text.h"
#include "net/SocketAddress.h"

#include <netdb.h>

namespace vantorel {

namespace {

struct FirstAddresses {
    std::optional<QString> ipv4;
    std::optional<QString> ipv6;
};

// The first address of each family among those the system resolver gives for `host`: the
// resolver's own order decides, and we do not rotate.
FirstAddresses lookUp(const QString& host, int family) {
    addrinfo hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* results = nullptr;
    const QByteArray name = host.toUtf8();
    FirstAddresses first;
    if (getaddrinfo(name.constData(), nullptr, &hints, &results) != 0)
        return first;
    for (const addrinfo* entry = results; entry; entry = entry->ai_next) {
        auto& slot = entry->ai_family == AF_INET6 ? first.ipv6 : first.ipv4;
        if (entry->ai_addr && !slot)
            slot = addressText(entry->ai_addr);
    }
    freeaddrinfo(results);
    return first;
}

} // namespace

std::optional<QString> resolve(const QString& host, bool preferIpv6) {
    if (const auto ipv4 = parseIPv4(QStringView(host)))
        return formatIPv4Qt(*ipv4);
    if (const auto ipv6 = parseIPv6(QStringView(host)))
        return formatIPv6Qt(*ipv6);
    const auto found = lookUp(host, AF_UNSPEC);
    return (preferIpv6 && found.ipv6) || !found.ipv4 ? found.ipv6 : found.ipv4;
}

std::optional<QString> resolveIPv4(const QString& host) {
    return lookUp(host, AF_INET).ipv4;
}

std::optional<QString> reverseLookup(const QString& address) {
    const auto socketAddress = SocketAddress::fromText(address);
    if (!socketAddress)
        return std::nullopt;
    char name[NI_MAXHOST] = {};
    // NI_NAMEREQD: an address without a reverse entry fails instead of coming back as digits.
    if (getnameinfo(socketAddress->get(), socketAddress->length, name, sizeof(name), nullptr, 0,
                    NI_NAMEREQD) != 0 ||
        name[0] == '\0')
        return std::nullopt;
    return QString::fromUtf8(name);
}

} // namespace vantorel
