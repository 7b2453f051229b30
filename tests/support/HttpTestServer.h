#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>
#include <chrono>
#include <memory>
#include <optional>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace vantorel::test {

// How the server answers one path.
struct HttpAnswer {
    int status = 200;
    QByteArray reason = "OK";
    QList<std::pair<QByteArray, QByteArray>> headers;
    std::chrono::milliseconds headDelay{0};
    // Accept and read the request, then say nothing at all.
    bool silent = false;
    // A body of this many bytes is announced with Content-Length and streamed slowly after the
    // head, a chunk every few milliseconds, so a client that reads it all takes many seconds.
    qint64 bodyBytes = 0;
};

// A tiny HTTP/1.1 server on 127.0.0.1, plain or TLS, living on the thread that creates it (the
// tests' main thread: it works while they spin the event loop). Connections are kept alive.
// Unknown paths answer 200 with an empty body.
class HttpTestServer : public QObject {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QMap<QByteArray, QByteArray> headers; // names lower-cased
    };

    // What became of a connection whose body was being streamed when the client went away.
    struct CutOffBody {
        qint64 bodyBytesWritten = 0;
        std::chrono::milliseconds afterHead{0};
    };

    HttpTestServer();
    // Serves TLS with this configuration (certificate and key set).
    explicit HttpTestServer(const QSslConfiguration& tls);
    ~HttpTestServer() override;

    quint16 port() const;
    QUrl url(const QString& path = QStringLiteral("/")) const;

    void answer(const QString& path, HttpAnswer answer);

    const std::vector<Request>& requests() const { return requests_; }
    int connectionsAccepted() const { return connectionsAccepted_; }
    const std::vector<CutOffBody>& cutOffBodies() const { return cutOffBodies_; }

private:
    struct Connection;

    void accept();
    void readRequest(const std::shared_ptr<Connection>& connection);
    void respond(const std::shared_ptr<Connection>& connection, const HttpAnswer& answer);
    void streamBody(const std::shared_ptr<Connection>& connection);
    void forget(const std::shared_ptr<Connection>& connection);

    std::unique_ptr<QTcpServer> server_;
    QMap<QString, HttpAnswer> answers_;
    std::vector<std::shared_ptr<Connection>> connections_;
    std::vector<Request> requests_;
    std::vector<CutOffBody> cutOffBodies_;
    int connectionsAccepted_ = 0;
};

} // namespace vantorel::test
