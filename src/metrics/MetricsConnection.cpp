#include "metrics/MetricsConnection.h"

#include <QTcpSocket>
#include <algorithm>
#include <cerrno>
#include <iterator>
#include <sys/socket.h>
#include <sys/uio.h>

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
    // No more than has come: a read of more would take that much memory first. Copied behind
    // what is held, rather than taken as an array of its own: that would carry off the socket's
    // 16 kB block, which it would then allocate again for every request.
    const qsizetype held = head_.size();
    head_.resize(held + std::min(socket_->bytesAvailable(), qint64(kMaxHeadBytes + 1 - held)));
    head_.resize(held +
                 std::max<qint64>(0, socket_->read(head_.data() + held, head_.size() - held)));
    const auto arrived = QByteArrayView(head_).sliced(held);
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
    const qsizetype sent = sendNow(response);
    if (sent < 0) {
        close();
        return;
    }
    // The kernel's buffer was full: the socket's own takes the rest, and its bytesWritten brings
    // the next request in once that is out.
    const auto rest = [&](const QByteArray& part, qsizetype offset) {
        if (offset < part.size())
            socket_->write(part.constData() + offset, part.size() - offset);
    };
    rest(response.head, std::min(sent, response.head.size()));
    rest(response.body, std::max<qsizetype>(0, sent - response.head.size()));
    // All of it out, and no bytesWritten to come: a request the client sent behind this one is
    // taken up on the next pass, so that a client sending request after request does not hold
    // the thread.
    if (socket_->bytesToWrite() == 0 && !head_.isEmpty())
        QMetaObject::invokeMethod(this, &MetricsConnection::readHead, Qt::QueuedConnection);
    if (keepAlive)
        return;
    finishing_ = true;
    head_.clear();
    // Closes once the response is sent; the client's unread request data makes the kernel reset
    // the connection rather than read on.
    socket_->disconnectFromHost();
}

qsizetype MetricsConnection::sendNow(const HttpResponse& response) {
    // Straight to the kernel, head and body in one call and neither copied: handed to the socket
    // instead, the response would wait a pass of the event loop for the socket to be writable,
    // and switching that wait on and off wakes the loop twice more, for every scrape. Only while
    // the socket holds nothing unsent, so that what leaves keeps its order.
    if (socket_->bytesToWrite() > 0)
        return 0;
    iovec parts[] = {
        {const_cast<char*>(response.head.constData()), std::size_t(response.head.size())},
        {const_cast<char*>(response.body.constData()), std::size_t(response.body.size())}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = std::size(parts);
    const ssize_t sent =
        ::sendmsg(int(socket_->socketDescriptor()), &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent >= 0)
        return qsizetype(sent);
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

} // namespace vantorel
