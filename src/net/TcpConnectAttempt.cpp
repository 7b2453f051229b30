#include "net/TcpConnectAttempt.h"

#include "net/TcpConnector.h"
#include "platform/Clock.h"
#include "platform/Continuation.h"
#include "platform/OffPool.h"

#include <cstring>
#include <netdb.h>

namespace vantorel {

namespace {

// Long enough for a slow but working path, short enough that a dead one costs at most three
// of the one-second checks. Counted from the start, name lookup included; the time reported is
// that of the connection alone.
constexpr std::int64_t kConnectDeadlineNs = 3'000'000'000;

using ConnectDone = TcpConnector::Done;

// The first address the resolver gives for host:port, of either family. An address literal is
// looked up at once (`flags` AI_NUMERICHOST); a name fails that way and takes a real lookup.
bool lookUp(const QByteArray& host, std::uint16_t port, int flags, sockaddr_storage& address,
            socklen_t& length) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | flags;
    addrinfo* results = nullptr;
    if (::getaddrinfo(host.constData(), QByteArray::number(port).constData(), &hints, &results) !=
            0 ||
        !results)
        return false;
    length = results->ai_addrlen;
    std::memcpy(&address, results->ai_addr, results->ai_addrlen);
    ::freeaddrinfo(results);
    return true;
}

void startConnect(const QString& host, std::uint16_t port, ConnectDone done) {
    const std::int64_t start = monotonicNanos();
    // "[::1]" names the same host as "::1"; the brackets only keep its colons apart from a port.
    QByteArray name = host.toUtf8();
    if (name.startsWith('[') && name.endsWith(']'))
        name = name.mid(1, name.size() - 2);
    sockaddr_storage address{};
    socklen_t length = 0;
    if (lookUp(name, port, AI_NUMERICHOST, address, length)) {
        TcpConnector::shared().connect(address, length, start + kConnectDeadlineNs,
                                       std::move(done));
        return;
    }
    // A name may wait seconds for its DNS server: never on the service-probe thread, where it
    // would hold up every other check.
    blockingPool().start([name, port, start, done = std::move(done)]() mutable {
        sockaddr_storage address{};
        socklen_t length = 0;
        if (lookUp(name, port, 0, address, length))
            TcpConnector::shared().connect(address, length, start + kConnectDeadlineNs,
                                           std::move(done));
        else
            done(std::nullopt);
    });
}

} // namespace

QCoro::Task<ServiceResult> timeTcpConnect(QString host, std::uint16_t port) {
    if (port == 0)
        co_return ServiceResult{std::nullopt, std::nullopt, QStringLiteral("Invalid port")};
    const std::optional<double> rttMs = co_await Continuation<std::optional<double>>(
        [host, port](auto resume) { startConnect(host, port, resume); });
    co_return ServiceResult{rttMs, std::nullopt, std::nullopt};
}

} // namespace vantorel
