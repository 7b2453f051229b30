#pragma once

#include <QString>
#include <QStringView>
#include <optional>
#include <sys/socket.h>

namespace vantorel {

// An IPv4 or IPv6 address in the form the socket calls take.
struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;

    int family() const { return storage.ss_family; }
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&storage); }

    // A dotted-quad IPv4 literal as inet_pton reads it, or an IPv6 literal (parseIPv6) whose
    // zone, an interface name or index, becomes the scope id. None for a name, for other text
    // and for a zone that names no interface.
    static std::optional<SocketAddress> fromText(QStringView text);
};

// The address of `address` (AF_INET or AF_INET6) as canonical text: a dotted quad, or RFC 5952
// with "%" and the interface name when it has a scope id. Empty for any other family.
QString addressText(const sockaddr* address);

} // namespace vantorel
