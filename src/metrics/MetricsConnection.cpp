#include "metrics/MetricsConnection.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace vantorel {

namespace {
bool failed(ssize_t result) {
    return result < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR;
}
} // namespace

MetricsConnection::MetricsConnection(int descriptor, int poller, Answer answer)
    : descriptor_(descriptor)
    , poller_(poller)
    , answer_(std::move(answer)) {
    epoll_event interest{EPOLLIN, {.ptr = this}};
    epoll_ctl(poller_, EPOLL_CTL_ADD, descriptor_, &interest);
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, &MetricsConnection::expire);
    deadline_.start(kHeadTimeoutMs);
}

MetricsConnection::~MetricsConnection() {
    if (!closing_)
        release();
}

void MetricsConnection::close() {
    if (closing_)
        return;
    release();
    Q_EMIT closed();
}

void MetricsConnection::release() {
    closing_ = true;
    deadline_.stop();
    // Out of the set before the descriptor goes, whose number the next client may get.
    epoll_ctl(poller_, EPOLL_CTL_DEL, descriptor_, nullptr);
    ::close(descriptor_);
    head_.clear();
    unsent_.clear();
}

void MetricsConnection::expire() {
    // What the client sent in time may only not have been read yet, as the server leaves requests
    // for the thread's next wake.
    serve();
    if (!deadline_.isActive())
        close();
}

void MetricsConnection::serve() {
    if (!unsent_.isEmpty())
        sendRest();
    else
        readHead();
}

void MetricsConnection::readHead() {
    // What else the client sends waits until its response is out, and after its last response
    // it is never read.
    if (closing_ || !unsent_.isEmpty())
        return;
    // Never more than one head's worth, however much the client sends: the rest stays in the
    // kernel, whose buffer then holds the client back.
    const qsizetype held = head_.size();
    head_.resize(kMaxHeadBytes + 1);
    const ssize_t received =
        ::recv(descriptor_, head_.data() + held, std::size_t(head_.size() - held), MSG_DONTWAIT);
    head_.resize(held + std::max<ssize_t>(0, received));
    if (received == 0 || failed(received)) {
        close();
        return;
    }
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
    finishing_ = !keepAlive;
    // Head and body in one call and neither copied, unless the kernel cannot take them all.
    iovec parts[] = {
        {const_cast<char*>(response.head.constData()), std::size_t(response.head.size())},
        {const_cast<char*>(response.body.constData()), std::size_t(response.body.size())}};
    msghdr message{};
    message.msg_iov = parts;
    message.msg_iovlen = std::size(parts);
    const ssize_t sent = ::sendmsg(descriptor_, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (failed(sent)) {
        close();
        return;
    }
    const qsizetype headSent =
        std::min<qsizetype>(std::max<ssize_t>(0, sent), response.head.size());
    const qsizetype bodySent = std::max<qsizetype>(0, sent - response.head.size());
    if (headSent == response.head.size() && bodySent == response.body.size()) {
        responseSent();
        return;
    }
    unsent_ = response.head.sliced(headSent) + response.body.sliced(bodySent);
    watch(EPOLLOUT);
}

void MetricsConnection::sendRest() {
    const ssize_t sent = ::send(descriptor_, unsent_.constData(), std::size_t(unsent_.size()),
                                MSG_NOSIGNAL | MSG_DONTWAIT);
    if (failed(sent)) {
        close();
        return;
    }
    unsent_.remove(0, std::max<ssize_t>(0, sent));
    if (unsent_.isEmpty()) {
        watch(EPOLLIN);
        responseSent();
    }
}

void MetricsConnection::responseSent() {
    // With all of it in the kernel's hands, which sends it before the close; the client's unread
    // request data makes the kernel reset the connection rather than read on.
    if (finishing_) {
        close();
        return;
    }
    // A request the client sent behind this one is taken up on the next pass, so that a client
    // sending request after request does not hold the thread; the poller would not report it,
    // as it has already been read.
    if (!head_.isEmpty())
        QMetaObject::invokeMethod(this, &MetricsConnection::readHead, Qt::QueuedConnection);
}

void MetricsConnection::watch(std::uint32_t events) {
    epoll_event interest{events, {.ptr = this}};
    epoll_ctl(poller_, EPOLL_CTL_MOD, descriptor_, &interest);
}

} // namespace vantorel
