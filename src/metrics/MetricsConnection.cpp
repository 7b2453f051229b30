#include "metrics/MetricsConnection.h"

#include <QTcpSocket>

namespace vantorel {

MetricsConnection::MetricsConnection(QTcpSocket* socket, Answer answer)
    : socket_(socket)
    , answer_(std::move(answer)) {
    socket_->setParent(this);
    // Qt reads no more from the kernel than this, so a client streaming megabytes without a
    // line break fills one head's worth here and then only its own send buffer.
    socket_->setReadBufferSize(kMaxHeadBytes + 1);
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &MetricsConnection::close);
    connect(socket_, &QTcpSocket::readyRead, this, &MetricsConnection::readHead);
    connect(socket_, &QTcpSocket::disconnected, this, &MetricsConnection::close);
    deadline_.start(kHeadTimeoutMs);
}

MetricsConnection::~MetricsConnection() {
    // The socket goes with this as its child, and must not call back into it on the way.
    socket_->disconnect(this);
}

void MetricsConnection::close() {
    if (closing_)
        return;
    closing_ = true;
    deadline_.stop();
    socket_->abort();
    head_.clear();
    Q_EMIT closed();
}

void MetricsConnection::readHead() {
    // After the response, whatever else the client sends is left unread until the close.
    if (responded_ || closing_)
        return;
    const QByteArray arrived = socket_->read(kMaxHeadBytes + 1 - head_.size());
    head_ += arrived;
    if (arrived.contains('\n')) {
        if (const auto length = requestHeadLength(head_); length && *length <= kMaxHeadBytes) {
            respond(answer_(parseRequestHead(QByteArrayView(head_).first(*length))));
            return;
        }
    }
    if (head_.size() > kMaxHeadBytes)
        respond(httpResponse(431, "Request Header Fields Too Large"));
}

void MetricsConnection::respond(const QByteArray& response) {
    responded_ = true;
    head_.clear();
    deadline_.start(kResponseTimeoutMs);
    socket_->write(response);
    // Closes once the response is sent; the client's unread request data makes the kernel reset
    // the connection rather than read on.
    socket_->disconnectFromHost();
}

} // namespace vantorel
