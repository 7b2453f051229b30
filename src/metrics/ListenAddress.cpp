#include "metrics/ListenAddress.h"

#include <algorithm>

namespace vantorel {

std::optional<ListenAddress> parseListenAddress(QStringView text) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    const QStringView portText = text.sliced(colon + 1);
    const bool digits =
        !portText.isEmpty() && std::all_of(portText.begin(), portText.end(), [](QChar c) {
            return c >= QLatin1Char('0') && c <= QLatin1Char('9');
        });
    bool ok = false;
    const uint port = portText.toUInt(&ok);
    if (!digits || !ok || port > 0xFFFF)
        return std::nullopt;
    ListenAddress listen;
    listen.port = quint16(port);
    if (colon < 0)
        return listen;
    QStringView host = text.first(colon);
    // An IPv6 address is bracketed, so that its own colons are not taken for the port's.
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.sliced(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        return std::nullopt;
    if (!listen.address.setAddress(host.toString()))
        return std::nullopt;
    return listen;
}

} // namespace vantorel
