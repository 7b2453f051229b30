#include "net/Resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

namespace vantorel {

std::optional<QString> resolveIPv4(const QString& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* results = nullptr;
    const QByteArray name = host.toUtf8();
    if (getaddrinfo(name.constData(), nullptr, &hints, &results) != 0 || !results)
        return std::nullopt;
    std::optional<QString> address;
    // Only the first entry: the resolver's own order decides, and we do not rotate.
    if (const auto* first = results; first->ai_addr && first->ai_family == AF_INET) {
        char text[INET_ADDRSTRLEN] = {};
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(first->ai_addr);
        if (inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof(text)))
            address = QString::fromLatin1(text);
    }
    freeaddrinfo(results);
    return address;
}

std::optional<QString> reverseLookup(const QString& address) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    const QByteArray text = address.toLatin1();
    if (address.size() != text.size() ||
        inet_pton(AF_INET, text.constData(), &socketAddress.sin_addr) != 1)
        return std::nullopt;
    char name[NI_MAXHOST] = {};
    // NI_NAMEREQD: an address without a reverse entry fails instead of coming back as digits.
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&socketAddress), sizeof(socketAddress), name,
                    sizeof(name), nullptr, 0, NI_NAMEREQD) != 0)
        return std::nullopt;
    if (name[0] == '\0')
        return std::nullopt;
    return QString::fromUtf8(name);
}

} // namespace vantorel
