#include "metrics/MetricsConnection.h"

#include <QTcpSocket>
#include <algorithm>

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
    // A request that came while a response was going out is taken up once that is out.
    connect(socket_, &QTcpSocket::bytesWritten, this, &MetricsConnection::readHead);
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
    // What else the client sends waits until its response is out, and after its last response
    // it is never read.
    if (finishing_ || closing_ || socket_->bytesToWrite() > 0)
        return;
    // No more than has come: a read of more would take that much memory first.
    const QByteArray arrived = socket_->read(
        std::min(socket_->bytesAvailable(), qint64(kMaxHeadBytes + 1 - head_.size())));
    head_ += arrived;
    // Only a line break ends a head, and what came before it was looked at when it came; but
    // what followed the previous head has not been.
    if (arrived.contains('\n') || (arrived.isEmpty() && !head_.isEmpty())) {
        if (const auto length = requestHeadLength(head_); length && *length <= kMaxHeadBytes) {
            const auto request = parseRequestHead(QByteArrayView(head_).first(*length));
            head_.remove(0, *length);
            respond(answer_(request), request && request->keepAlive);
            return;
        }
    }
    if (head_.size() > kMaxHeadBytes)
        respond(httpResponse(431, "Request Header Fields Too Large"), false);
}

void MetricsConnection::respond(const HttpResponse& response, bool keepAlive) {
    deadline_.start(kResponseTimeoutMs);
    // In one piece, so that it leaves in one go, and into the memory the previous response took:
    // the socket has let go of that long since when the next scrape comes a second later.
    out_.truncate(0);
    out_.reserve(response.head.size() + response.body.size());
    out_ += response.head;
    out_ += response.body;
    socket_->write(out_);
    if (keepAlive)
        return;
    finishing_ = true;
    head_.clear();
    // Closes once the response is sent; the client's unread request data makes the kernel reset
    // the connection rather than read on.
    socket_->disconnectFromHost();
}

} // namespace vantorel
