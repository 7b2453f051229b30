#include "support/HttpTestServer.h"

#include <QElapsedTimer>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <stdexcept>
#include <utility>

namespace vantorel::test {

namespace {

constexpr qint64 kChunkBytes = 64 * 1024;
constexpr int kChunkIntervalMs = 10; // about 6.5 MB/s: a 200 MB body takes half a minute

} // namespace

struct HttpTestServer::Connection {
    QTcpSocket* socket = nullptr;
    QByteArray received;
    bool busy = false; // between taking a request and finishing its answer
    QTimer* pump = nullptr;
    qint64 bodyLeft = 0;
    qint64 bodyWritten = 0;
    QElapsedTimer sinceHead;
    bool closed = false;
};

HttpTestServer::HttpTestServer()
    : server_(std::make_unique<QTcpServer>()) {
    QObject::connect(server_.get(), &QTcpServer::newConnection, this, [this] { accept(); });
    if (!server_->listen(QHostAddress::LocalHost))
        throw std::runtime_error("the test HTTP server cannot listen on 127.0.0.1");
}

HttpTestServer::HttpTestServer(const QSslConfiguration& tls) {
    auto server = std::make_unique<QSslServer>();
    server->setSslConfiguration(tls);
    // A TLS connection becomes pending only once its handshake is done.
    QObject::connect(server.get(), &QTcpServer::pendingConnectionAvailable, this,
                     [this] { accept(); });
    server_ = std::move(server);
    if (!server_->listen(QHostAddress::LocalHost))
        throw std::runtime_error("the test HTTPS server cannot listen on 127.0.0.1");
}

HttpTestServer::~HttpTestServer() {
    for (const auto& connection : connections_) {
        connection->socket->disconnect(this);
        connection->socket->abort();
        delete connection->socket;
    }
}

quint16 HttpTestServer::port() const {
    return server_->serverPort();
}

QUrl HttpTestServer::url(const QString& path) const {
    const bool tls = qobject_cast<QSslServer*>(server_.get()) != nullptr;
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                    .arg(tls ? QStringLiteral("https") : QStringLiteral("http"))
                    .arg(port())
                    .arg(path));
}

void HttpTestServer::answer(const QString& path, HttpAnswer answer) {
    answers_.insert(path, std::move(answer));
}

void HttpTestServer::accept() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        socket->setParent(nullptr);
        ++connectionsAccepted_;
        auto connection = std::make_shared<Connection>();
        connection->socket = socket;
        connections_.push_back(connection);
        QObject::connect(socket, &QTcpSocket::readyRead, this,
                         [this, connection] { readRequest(connection); });
        QObject::connect(socket, &QTcpSocket::disconnected, this,
                         [this, connection] { forget(connection); });
        readRequest(connection);
    }
}

// Keep-alive, as real servers do: one request after another on the same connection.
void HttpTestServer::readRequest(const std::shared_ptr<Connection>& shared) {
    Connection& connection = *shared;
    connection.received += connection.socket->readAll();
    const qsizetype end = connection.received.indexOf("\r\n\r\n");
    if (connection.busy || end < 0)
        return;
    connection.busy = true;
    const QList<QByteArray> lines = connection.received.first(end).split('\n');
    connection.received.remove(0, end + 4);

    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    Request request{requestLine.value(0), requestLine.value(1), {}};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].first(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    requests_.push_back(request);

    const HttpAnswer answer = answers_.value(QString::fromLatin1(request.path), HttpAnswer{});
    if (answer.silent)
        return;
    QTimer::singleShot(answer.headDelay, connection.socket,
                       [this, shared, answer] { respond(shared, answer); });
}

void HttpTestServer::respond(const std::shared_ptr<Connection>& shared, const HttpAnswer& answer) {
    Connection& connection = *shared;
    if (connection.closed)
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + answer.reason +
                      "\r\nContent-Length: " + QByteArray::number(answer.bodyBytes) + "\r\n";
    for (const auto& [name, value] : answer.headers)
        head += name + ": " + value + "\r\n";
    head += "\r\n";
    connection.socket->write(head);
    connection.sinceHead.start();
    connection.bodyLeft = answer.bodyBytes;
    connection.bodyWritten = 0;
    if (connection.bodyLeft > 0) {
        if (!connection.pump) {
            connection.pump = new QTimer(connection.socket);
            QObject::connect(connection.pump, &QTimer::timeout, this,
                             [this, shared] { streamBody(shared); });
        }
        connection.pump->start(kChunkIntervalMs);
        return;
    }
    connection.busy = false;
    readRequest(shared);
}

void HttpTestServer::streamBody(const std::shared_ptr<Connection>& shared) {
    Connection& connection = *shared;
    // Only a chunk at a time: the count must be what the kernel took, not what Qt buffered.
    if (connection.closed || connection.socket->bytesToWrite() > 0)
        return;
    if (connection.bodyLeft == 0) {
        connection.pump->stop();
        connection.busy = false;
        readRequest(shared);
        return;
    }
    const qint64 size = std::min(kChunkBytes, connection.bodyLeft);
    const qint64 written = connection.socket->write(QByteArray(size, 'x'));
    if (written > 0) {
        connection.bodyLeft -= written;
        connection.bodyWritten += written;
    }
}

void HttpTestServer::forget(const std::shared_ptr<Connection>& connection) {
    if (std::exchange(connection->closed, true))
        return;
    if (connection->bodyLeft > 0)
        cutOffBodies_.push_back(
            {connection->bodyWritten, std::chrono::milliseconds(connection->sinceHead.elapsed())});
    connection->socket->disconnect(this);
    connection->socket->deleteLater(); // its timers go with it
    std::erase(connections_, connection);
}

} // namespace vantorel::test
