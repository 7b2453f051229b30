#include "support/HttpTestServer.h"

#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

namespace vantorel::test {

HttpTestServer::HttpTestServer(const std::optional<QSslConfiguration>& tls,
                               const QHostAddress& loopback)
    : server_(tls ? new QSslServer(this) : new QTcpServer(this)) {
    if (tls)
        static_cast<QSslServer*>(server_)->setSslConfiguration(*tls);
    // A TLS connection becomes pending only once its handshake is done.
    connect(server_, &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket* socket = server_->nextPendingConnection())
            serve(socket);
    });
    if (!server_->listen(loopback))
        throw std::runtime_error("the test HTTP server cannot listen on " +
                                 loopback.toString().toStdString());
}

// One request after another on the connection, as real servers keep them alive.
void HttpTestServer::serve(QTcpSocket* socket) {
    struct State {
        QByteArray received;
        qint64 bodyLeft = 0, bodyWritten = 0;
    };
    const auto state = std::make_shared<State>();
    // A chunk every 10 ms, once the kernel took the last: the count is what left, not Qt's buffer.
    auto* pump = new QTimer(socket);
    connect(pump, &QTimer::timeout, socket, [socket, state] {
        if (state->bodyLeft > 0 && socket->bytesToWrite() == 0) {
            const auto size = std::min<qint64>(64 * 1024, state->bodyLeft);
            const qint64 written = std::max<qint64>(socket->write(QByteArray(size, 'x')), 0);
            state->bodyLeft -= written;
            state->bodyWritten += written;
        }
    });
    pump->start(10);
    connect(socket, &QTcpSocket::disconnected, this, [this, socket, state] {
        if (std::exchange(state->bodyLeft, 0) > 0)
            cutOffBodies_.push_back(state->bodyWritten);
        socket->deleteLater();
    });
    const auto respond = [socket, state](const HttpAnswer& answer) {
        QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + answer.reason +
                          "\r\nContent-Length: " + QByteArray::number(answer.bodyBytes) + "\r\n";
        for (const auto& [name, value] : answer.headers)
            head += name + ": " + value + "\r\n";
        socket->write(head + "\r\n");
        state->bodyLeft = answer.bodyBytes;
        state->bodyWritten = 0;
    };
    const auto read = [this, socket, state, respond] {
        state->received += socket->readAll();
        for (qsizetype end; (end = state->received.indexOf("\r\n\r\n")) >= 0;) {
            const QList<QByteArray> lines = state->received.first(end).split('\n');
            state->received.remove(0, end + 4);
            Request request{lines[0].split(' ').value(1), {}};
            for (const QByteArray& line : lines.mid(1))
                if (const qsizetype colon = line.indexOf(':'); colon > 0)
                    request.headers.insert(line.first(colon).trimmed().toLower(),
                                           line.mid(colon + 1).trimmed());
            requests_.push_back(request);
            const HttpAnswer answer = answers_.value(QString::fromLatin1(request.path));
            if (!answer.silent)
                QTimer::singleShot(answer.headDelay, socket, [=] { respond(answer); });
        }
    };
    connect(socket, &QTcpSocket::readyRead, this, read);
    read();
}

QUrl HttpTestServer::url(const QString& path) const {
    QUrl url(path);
    url.setScheme(qobject_cast<QSslServer*>(server_) ? "https" : "http");
    url.setHost(server_->serverAddress().toString());
    url.setPort(port());
    return url;
}

quint16 unusedPort() {
    QTcpServer server;
    EXPECT_TRUE(server.listen(QHostAddress::LocalHost));
    return server.serverPort(); // nothing listens there once `server` is gone
}

} // namespace vantorel::test
