#include "net/ICMPEngine.h"

#include "net/ReceiveTime.h"
#include "platform/Clock.h"
#include "platform/SerialQueue.h"

#include <QSocketNotifier>
#include <QTimer>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <linux/errqueue.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantorel {

namespace {

constexpr char kPayload[] = "Vantorel";
constexpr std::size_t kReceiveBufferSize = 1500;
// A drain stops after this many messages so that a flood cannot hold the queue forever; the
// notifier fires again at once for whatever is left.
constexpr int kMaxMessagesPerDrain = 4096;
constexpr int kMaxDrainRounds = 64;

SerialQueue& icmpQueue() {
    // Every engine shares this queue: each engine's state is still touched by one thread only,
    // and an engine may then be released from inside its own callbacks without having to stop
    // the thread it runs on. Never destroyed, like the shared engine.
    static auto* queue = new SerialQueue(QStringLiteral(VANTOREL_APP_ID ".icmp"));
    return *queue;
}

std::span<const std::uint8_t> payloadBytes() {
    return {reinterpret_cast<const std::uint8_t*>(kPayload), sizeof(kPayload) - 1};
}

QString formatAddress(const in_addr& address) {
    char text[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &address, text, sizeof(text)))
        return {};
    return QString::fromLatin1(text);
}

} // namespace

std::shared_ptr<ICMPEngine> ICMPEngine::create() {
    return std::shared_ptr<ICMPEngine>(new ICMPEngine());
}

const std::shared_ptr<ICMPEngine>& ICMPEngine::shared() {
    static auto* engine = new std::shared_ptr<ICMPEngine>(create());
    return *engine;
}

ICMPEngine::ICMPEngine()
    : queue_(icmpQueue()) {}

ICMPEngine::~ICMPEngine() {
    // No probe can be pending here: each one holds the engine until its outcome is delivered.
    auto closeSocket = [source = source_, fd = fd_, expiry = expiry_] {
        delete source;
        // Later: the engine may be going away inside the timer's own signal.
        if (expiry)
            expiry->deleteLater();
        if (fd >= 0)
            ::close(fd);
    };
    if (queue_.isCurrent())
        closeSocket();
    else
        queue_.async(closeSocket);
}

void ICMPEngine::probe(const QString& ip, int ttl, double timeoutSeconds, Done done) {
    queue_.async([self = shared_from_this(), ip, ttl, timeoutSeconds, done = std::move(done)] {
        self->send(ip, ttl, timeoutSeconds, done);
    });
}

Continuation<ICMPOutcome> ICMPEngine::probe(const QString& ip, int ttl, double timeoutSeconds) {
    return Continuation<ICMPOutcome>(
        [self = shared_from_this(), ip, ttl, timeoutSeconds](auto resume) {
            self->probe(ip, ttl, timeoutSeconds, std::move(resume));
        });
}

int ICMPEngine::openSocket() {
    if (fd_ >= 0)
        return 0;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0)
        return errno;
    const int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    const int on = 1;
    // Time-exceeded and unreachable messages reach a ping socket only through its error queue.
    ::setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof(on));
    // Kernel receive stamps keep RTTs exact however late this thread gets to the datagram.
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof(on));

    source_ = new QSocketNotifier(fd, QSocketNotifier::Read, queue_.context());
    QObject::connect(source_, &QSocketNotifier::activated, [weak = weak_from_this()] {
        if (auto self = weak.lock())
            self->drain();
    });
    fd_ = fd;
    return 0;
}

void ICMPEngine::send(const QString& ip, int ttl, double timeoutSeconds, Done done) {
    if (const int error = openSocket(); error != 0) {
        done(ICMPFailed{error});
        return;
    }
    ::setsockopt(fd_, IPPROTO_IP, IP_TTL, &ttl, sizeof(ttl));

    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    const QByteArray ipText = ip.toLatin1();
    if (ip.size() != ipText.size() ||
        inet_pton(AF_INET, ipText.constData(), &destination.sin_addr) != 1) {
        done(ICMPFailed{EINVAL});
        return;
    }

    const std::uint16_t sequence = sequence_.advance();
    const auto request = icmp::buildEchoRequest(sequence, payloadBytes());
    // Stamped just before the send, as iputils ping does: on loopback and fast links the answer is
    // received (and kernel-stamped) before sendto even returns, so a stamp taken after it would
    // make short round trips come out as zero.
    const std::int64_t sendTime = monotonicNanos();
    const ssize_t sent =
        ::sendto(fd_, request.data(), request.size(), 0,
                 reinterpret_cast<const sockaddr*>(&destination), sizeof(destination));
    if (sent < 1) {
        done(ICMPFailed{errno});
        return;
    }
    const auto timeout = std::int64_t(std::max(timeoutSeconds, 0.0) * 1e9);
    track(sequence, Pending{sendTime, sendTime + timeout, std::move(done)});
}

void ICMPEngine::track(std::uint16_t sequence, Pending pending) {
    // A sequence number comes round again only after 65,536 probes; whatever still waited under
    // it has long been given up.
    untrack(sequence);
    const bool earliest = deadlines_.empty() || pending.deadline < deadlines_.begin()->first;
    deadlines_.emplace(pending.deadline, sequence);
    pending_.emplace(sequence, std::move(pending));
    if (!keepAlive_)
        keepAlive_ = shared_from_this();
    if (earliest)
        armExpiry();
}

std::optional<ICMPEngine::Pending> ICMPEngine::untrack(std::uint16_t sequence) {
    const auto entry = pending_.find(sequence);
    if (entry == pending_.end())
        return std::nullopt;
    Pending pending = std::move(entry->second);
    pending_.erase(entry);
    deadlines_.erase({pending.deadline, sequence});
    return pending;
}

void ICMPEngine::armExpiry() {
    if (deadlines_.empty()) {
        if (expiry_)
            expiry_->stop();
        return;
    }
    if (!expiry_) {
        expiry_ = new QTimer(queue_.context());
        expiry_->setSingleShot(true);
        expiry_->setTimerType(Qt::PreciseTimer);
        QObject::connect(expiry_, &QTimer::timeout, [weak = weak_from_this()] {
            if (auto self = weak.lock())
                self->expireDue();
        });
    }
    const std::int64_t wait = deadlines_.begin()->first - monotonicNanos();
    // Rounded up, so that the timer never fires before the deadline it is set for.
    expiry_->start(int(std::max<std::int64_t>(0, (wait + 999'999) / 1'000'000)));
}

void ICMPEngine::expireDue() {
    // Every entry point of the engine holds it while it runs, so letting go of the hold below
    // never destroys it under this call.
    const std::int64_t now = monotonicNanos();
    while (!deadlines_.empty() && deadlines_.begin()->first <= now) {
        auto pending = untrack(deadlines_.begin()->second);
        pending->done(ICMPTimeout{});
    }
    armExpiry();
    if (pending_.empty())
        keepAlive_.reset();
}

void ICMPEngine::drain() {
    // A queued ICMP error makes the next plain receive fail, so both queues are read until a full
    // round finds nothing: an error must not hide the replies waiting behind it, and an unread
    // error would wake the notifier again at once.
    for (int round = 0; round < kMaxDrainRounds; ++round) {
        if (drainErrorQueue() + drainDatagrams() == 0)
            return;
    }
}

int ICMPEngine::drainErrorQueue() {
    int handled = 0;
    for (; handled < kMaxMessagesPerDrain; ++handled) {
        std::uint8_t buffer[kReceiveBufferSize] = {};
        alignas(cmsghdr) char control[512];
        iovec vector{buffer, sizeof(buffer)};
        msghdr message{};
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof(control);
        const ssize_t length = ::recvmsg(fd_, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
        if (length < 0)
            break;
        const auto received = receiveTimeMonotonic(message);
        const sock_extended_err* error = nullptr;
        for (auto* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_RECVERR)
                error = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
        }
        // Only time-exceeded answers a probe; unreachable and local errors leave it to time out.
        if (!error || error->ee_origin != SO_EE_ORIGIN_ICMP ||
            error->ee_type != icmp::kTypeTimeExceeded)
            continue;
        const auto sequence = icmp::sequenceOfReturnedRequest({buffer, std::size_t(length)});
        if (!sequence)
            continue;
        const auto* offender = reinterpret_cast<const sockaddr_in*>(SO_EE_OFFENDER(error));
        if (offender->sin_family != AF_INET)
            continue;
        complete(*sequence, formatAddress(offender->sin_addr), true, received);
    }
    return handled;
}

int ICMPEngine::drainDatagrams() {
    int handled = 0;
    for (; handled < kMaxMessagesPerDrain; ++handled) {
        std::uint8_t buffer[kReceiveBufferSize] = {};
        alignas(cmsghdr) char control[128];
        sockaddr_in source{};
        iovec vector{buffer, sizeof(buffer)};
        msghdr message{};
        message.msg_name = &source;
        message.msg_namelen = sizeof(source);
        message.msg_iov = &vector;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof(control);
        const ssize_t length = ::recvmsg(fd_, &message, MSG_DONTWAIT);
        if (length < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            // A pending socket error was reported instead of a datagram. Reading it cleared it;
            // the next round reads the error queue and then the datagrams waiting behind it.
            return handled + 1;
        }
        const auto received = receiveTimeMonotonic(message);
        const auto parsed = icmp::parseDatagram({buffer, std::size_t(length)});
        if (!parsed)
            continue;
        complete(parsed->sequence, formatAddress(source.sin_addr), parsed->timeExceeded, received);
    }
    return handled;
}

void ICMPEngine::complete(std::uint16_t sequence, const QString& from, bool timeExceeded,
                          std::int64_t receivedMono) {
    auto pending = untrack(sequence);
    if (!pending)
        return; // already timed out, or someone else's answer
    const double ms = double(std::max<std::int64_t>(0, receivedMono - pending->sent)) / 1e6;
    pending->done(ICMPReply{ms, from, timeExceeded});
    // The timer stays set for a deadline that may no longer exist; it then finds nothing due and
    // sets itself for the next one. Cheaper than re-arming on every answer.
    if (pending_.empty())
        keepAlive_.reset();
}

} // namespace vantorel
