#pragma once

#include <QHostAddress>
#include <QStringView>
#include <optional>

namespace vantorel {

// Where the metrics endpoint listens.
struct ListenAddress {
    // The loopback unless the user names another address: metrics tell what this machine
    // watches, which is nobody else's business by default.
    QHostAddress address{QHostAddress::LocalHost};
    // 0 lets the system pick a free port.
    quint16 port = 0;

    bool operator==(const ListenAddress&) const = default;
};

// "PORT", "ADDRESS:PORT" or "[IPV6-ADDRESS]:PORT", the address a literal; none when it is not
// one of these.
std::optional<ListenAddress> parseListenAddress(QStringView text);

} // namespace vantorel
