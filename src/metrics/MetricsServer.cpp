#include "metrics/MetricsServer.h"

#include "metrics/MetricsConnection.h"

#include <QAbstractEventDispatcher>
#include <algorithm>
#include <iterator>
#include <sys/epoll.h>
#include <unistd.h>

namespace vantorel {

namespace {

constexpr QByteArrayView kPage =
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Vantorel</title></head>\n"
    "<body><h1>Vantorel</h1><p><a href=\"/metrics\">Metrics</a></p></body></html>\n";

bool acceptsOpenMetrics(const QByteArray& accept) {
    return accept.contains("application/openmetrics-text");
}

} // namespace

MetricsServer::MetricsServer(Render render)
    : render_(std::move(render))
    , poller_(epoll_create1(EPOLL_CLOEXEC))
    , ready_(poller_, QSocketNotifier::Read) {
    listener_.accepted = [this](int descriptor) {
        // A new client's first request comes at once, and one asking once should not wait.
        wakeForRequests();
        accept(descriptor);
    };
    connect(&ready_, &QSocketNotifier::activated, this, [this] {
        wokenForClients_ = true;
        serve();
    });
    sinceOtherWake_.start();
    quiet_.setSingleShot(true);
    quiet_.setInterval(kQuietMs);
    connect(&quiet_, &QTimer::timeout, this, &MetricsServer::quietened);
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &MetricsServer::serveInPassing);
}

MetricsServer::~MetricsServer() {
    listener_.close();
    for (MetricsConnection* connection : connections_)
        delete connection;
    ready_.setEnabled(false);
    ::close(poller_);
}

std::optional<QString> MetricsServer::listen(const QHostAddress& address, quint16 port) {
    if (listener_.listen(address, port))
        return std::nullopt;
    return listener_.errorString();
}

void MetricsServer::accept(int descriptor) {
    if (connections_.size() >= kMaxConnections)
        connections_.front()->close();
    auto* connection = new MetricsConnection(
        descriptor, poller_, [this](const auto& request) { return answer(request); });
    connections_.push_back(connection);
    connect(connection, &MetricsConnection::closed, this, [this, connection] {
        connections_.remove(connection);
        // Later: it may be among those found ready that are still to be served.
        connection->deleteLater();
    });
}

void MetricsServer::serve() {
    epoll_event found[kMaxConnections];
    const int count = epoll_wait(poller_, found, int(std::size(found)), 0);
    for (int i = 0; i < count; ++i)
        static_cast<MetricsConnection*>(found[i].data.ptr)->serve();
}

void MetricsServer::serveInPassing() {
    if (connections_.empty())
        return;
    serve();
    if (!std::exchange(wokenForClients_, false)) {
        // Only while the thread keeps waking for other work: where it wakes more rarely, a
        // scraper would wait for up to kQuietMs every time, and the quiet would wake it as often
        // as the requests do.
        if (sinceOtherWake_.restart() < kQuietMs && calmUntil_.hasExpired())
            quiet_.start();
        else
            quiet_.stop();
    }
    // Requests are left to the passes while the quiet is awaited. The rest of a response is sent
    // as soon as there is room, or a large one would take many waits for its client.
    ready_.setEnabled(!quiet_.isActive() ||
                      std::ranges::any_of(connections_, &MetricsConnection::sending));
}

void MetricsServer::wakeForRequests() {
    wokenForClients_ = true;
    quiet_.stop();
    ready_.setEnabled(true);
}

void MetricsServer::quietened() {
    wakeForRequests();
    // Where the thread's wakes come in bursts with long pauses, a pause each second would
    // otherwise wake it each second.
    calmUntil_.setRemainingTime(kCalmMs);
}

HttpResponse MetricsServer::answer(const std::optional<HttpRequest>& request) const {
    if (!request)
        return httpResponse(400, "Bad Request");
    const bool keepAlive = request->keepAlive, withBody = request->method != "HEAD";
    if (withBody && request->method != "GET")
        return httpResponse(405, "Method Not Allowed", keepAlive, {}, {}, true,
                            {{"Allow", "GET, HEAD"}});
    if (request->path == "/metrics") {
        const auto format = acceptsOpenMetrics(request->accept) ? ExpositionFormat::openMetrics
                                                                : ExpositionFormat::prometheusText;
        return httpResponse(200, "OK", keepAlive, contentType(format), render_(format), withBody);
    }
    if (request->path == "/")
        return httpResponse(200, "OK", keepAlive, "text/html; charset=utf-8", kPage.toByteArray(),
                            withBody);
    return httpResponse(404, "Not Found", keepAlive);
}

} // namespace vantorel
