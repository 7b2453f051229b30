#pragma once

#include <QMap>
#include <QObject>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QUrl>
#include <chrono>
#include <optional>
#include <vector>

namespace vantorel::test {

// How the server answers one path.
struct HttpAnswer {
    int status = 200;
    QByteArray reason = "OK";
    QList<std::pair<QByteArray, QByteArray>> headers;
    std::chrono::milliseconds headDelay{0};
    bool silent = false;  // reads the request, then says nothing at all
    qint64 bodyBytes = 0; // sent at 64 KiB every 10 ms: a client reading it all takes long
};

// A tiny HTTP/1.1 server on 127.0.0.1 (or ::1), plain or TLS, keeping connections alive, that works
// while the thread creating it spins its event loop. Unknown paths get 200 and no body.
class HttpTestServer : public QObject {
public:
    struct Request {
        QByteArray path;
        QMap<QByteArray, QByteArray> headers; // names lower-cased
    };

    // Serves TLS with `tls`, its certificate and key set, if given.
    explicit HttpTestServer(const std::optional<QSslConfiguration>& tls = std::nullopt,
                            const QHostAddress& loopback = QHostAddress::LocalHost);

    quint16 port() const { return server_->serverPort(); }
    QUrl url(const QString& path = QStringLiteral("/")) const;

    void answer(const QString& path, HttpAnswer answer) { answers_.insert(path, answer); }

    const std::vector<Request>& requests() const { return requests_; }
    // The bytes written of each body that was being streamed when the client went away.
    const std::vector<qint64>& cutOffBodies() const { return cutOffBodies_; }

private:
    void serve(QTcpSocket* socket);

    QMap<QString, HttpAnswer> answers_;
    std::vector<Request> requests_;
    std::vector<qint64> cutOffBodies_;
    QTcpServer* server_; // a child: its connections go once this is gone
};

// A loopback port nothing listens on: a connection to it is refused, and a server may take it.
quint16 unusedPort();

} // namespace vantorel::test
