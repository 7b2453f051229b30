#include "metrics/MetricsServer.h"

#include "metrics/MetricsConnection.h"

#include <QTcpSocket>

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
    : render_(std::move(render)) {
    connect(&listener_, &QTcpServer::newConnection, this, &MetricsServer::accept);
}

MetricsServer::~MetricsServer() {
    listener_.close();
    for (MetricsConnection* connection : connections_)
        delete connection;
}

std::optional<QString> MetricsServer::listen(const QHostAddress& address, quint16 port) {
    if (listener_.listen(address, port))
        return std::nullopt;
    return listener_.errorString();
}

void MetricsServer::accept() {
    while (QTcpSocket* socket = listener_.nextPendingConnection()) {
        if (connections_.size() >= kMaxConnections)
            connections_.front()->close();
        auto* connection =
            new MetricsConnection(socket, [this](const auto& request) { return answer(request); });
        connections_.push_back(connection);
        connect(connection, &MetricsConnection::closed, this, [this, connection] {
            connections_.remove(connection);
            connection->deleteLater();
        });
    }
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
