#include "net/TcpConnectAttempt.h"

#include "platform/Clock.h"
#include "platform/Continuation.h"
#include "platform/MainThread.h"

#include <QTcpSocket>
#include <QTimer>
#include <memory>
#include <utility>

namespace vantorel {

namespace {

// Long enough for a slow but working path, short enough that a dead one costs at most three
// of the one-second checks.
constexpr int kConnectDeadlineMs = 3000;

using ConnectDone = std::function<void(std::optional<double>)>;

// The socket, its signals and the deadline all live on the main thread, so the flag that lets
// only the first of them finish the attempt needs no lock.
struct Attempt {
    QTcpSocket* socket = nullptr;
    QTimer* deadline = nullptr;
    QObject* listener = nullptr; // the receiver of our connections, and of nothing else
    std::int64_t start = 0;
    bool finished = false;
    ConnectDone done;

    void finish(std::optional<double> rttMs) {
        if (std::exchange(finished, true))
            return;
        // Nothing the socket does from here on may reach us: aborting it below reports a
        // state change of its own.
        QObject::disconnect(socket, nullptr, listener, nullptr);
        deadline->stop();
        // The connection was only wanted to see that it can be made; holding it open would
        // tie up a slot of the service for nothing.
        socket->abort();
        socket->deleteLater();
        done(rttMs);
    }
};

void startConnect(const QString& host, std::uint16_t port, ConnectDone done) {
    auto attempt = std::make_shared<Attempt>();
    attempt->socket = new QTcpSocket();
    attempt->deadline = new QTimer(attempt->socket);
    attempt->listener = new QObject(attempt->socket);
    attempt->deadline->setSingleShot(true);
    // Qt's default coarse timers may fire 5 % early, which would cut a connection that is
    // still within its 3.0 s.
    attempt->deadline->setTimerType(Qt::PreciseTimer);
    attempt->done = std::move(done);
    QTcpSocket* socket = attempt->socket;
    QObject* listener = attempt->listener;

    QObject::connect(socket, &QAbstractSocket::connected, listener, [attempt] {
        attempt->finish(double(monotonicNanos() - attempt->start) / 1e6);
    });
    // Refused, unreachable, host not found: Qt reports them as errors, and a socket that falls
    // back to unconnected without one has failed all the same. Waiting for `connected` alone
    // would turn every refused port into a full deadline.
    QObject::connect(socket, &QAbstractSocket::errorOccurred, listener,
                     [attempt] { attempt->finish(std::nullopt); });
    QObject::connect(socket, &QAbstractSocket::stateChanged, listener,
                     [attempt](QAbstractSocket::SocketState state) {
                         if (state == QAbstractSocket::UnconnectedState)
                             attempt->finish(std::nullopt);
                     });
    QObject::connect(attempt->deadline, &QTimer::timeout, listener,
                     [attempt] { attempt->finish(std::nullopt); });

    attempt->start = monotonicNanos();
    attempt->deadline->start(kConnectDeadlineMs);
    // May already fail inside this call; the handlers above are in place for that.
    socket->connectToHost(host, port);
}

} // namespace

QCoro::Task<ServiceResult> timeTcpConnect(QString host, std::uint16_t port) {
    if (port == 0)
        co_return ServiceResult{std::nullopt, std::nullopt, QStringLiteral("Invalid port")};
    const std::optional<double> rttMs =
        co_await Continuation<std::optional<double>>([host, port](auto resume) {
            // Qt sockets belong to the thread that made them; the main thread's event loop is
            // always running, whatever thread awaits.
            postToMain([host, port, resume] { startConnect(host, port, resume); });
        });
    co_return ServiceResult{rttMs, std::nullopt, std::nullopt};
}

} // namespace vantorel
