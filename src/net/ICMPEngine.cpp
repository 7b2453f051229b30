#include "net/ICMPEngine.h"

#include "net/IcmpSocket.h"
#include "platform/Clock.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>

namespace vantorel {

namespace {

SerialQueue& icmpQueue() {
    // Every engine shares this queue: each engine's state is still touched by one thread only,
    // and an engine may then be released from inside its own callbacks without having to stop
    // the thread it runs on. Never destroyed, like the shared engine.
    static auto* queue = new SerialQueue(QStringLiteral(VANTOREL_APP_ID ".icmp"));
    return *queue;
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
    : queue_(icmpQueue())
    , sockets_{std::make_shared<IcmpSocket>(AF_INET), std::make_shared<IcmpSocket>(AF_INET6)} {}

ICMPEngine::~ICMPEngine() {
    // No probe can be pending here: each one holds the engine until its outcome is delivered.
    auto closeSockets = [sources = sources_, sockets = sockets_, expiry = expiry_]() mutable {
        for (auto* source : sources)
            delete source; // before its descriptor closes
        sockets = {};
        // Later: the engine may be going away inside the timer's own signal.
        if (expiry)
            expiry->deleteLater();
    };
    if (queue_.isCurrent())
        closeSockets();
    else
        queue_.async(closeSockets);
}

void ICMPEngine::probe(const QString& ip, int ttl, double timeoutSeconds, Done done) {
    const std::lock_guard lock(heldLock_);
    held_.push_back({ip, ttl, timeoutSeconds, std::move(done)});
    // The first probe of a turn arranges the hand-over; the later ones join it. Each probe is
    // still stamped when it is sent, so holding it back until the turn ends costs no accuracy.
    if (held_.size() == 1)
        postToMain([self = shared_from_this()] { self->submitHeldProbes(); });
}

void ICMPEngine::submitHeldProbes() {
    std::deque<Submission> probes;
    {
        const std::lock_guard lock(heldLock_);
        probes.swap(held_);
    }
    queue_.async([self = shared_from_this(), probes = std::move(probes)]() mutable {
        // The outcomes of probes that fail at once reach the main thread in one block too.
        const MainThreadBatch batch;
        for (auto& probe : probes)
            self->send(probe.ip, probe.ttl, probe.timeoutSeconds, std::move(probe.done));
    });
}

Continuation<ICMPOutcome> ICMPEngine::probe(const QString& ip, int ttl, double timeoutSeconds) {
    return Continuation<ICMPOutcome>(
        [self = shared_from_this(), ip, ttl, timeoutSeconds](auto resume) {
            self->probe(ip, ttl, timeoutSeconds, std::move(resume));
        });
}

int ICMPEngine::open(std::size_t family) {
    if (sources_[family])
        return 0;
    IcmpSocket& socket = *sockets_[family];
    if (const int error = socket.open(); error != 0)
        return error;
    sources_[family] =
        new QSocketNotifier(socket.descriptor(), QSocketNotifier::Read, queue_.context());
    QObject::connect(sources_[family], &QSocketNotifier::activated,
                     [weak = weak_from_this(), family] {
                         if (auto self = weak.lock())
                             self->drain(family);
                     });
    return 0;
}

void ICMPEngine::drain(std::size_t family) {
    const MainThreadBatch batch;
    sockets_[family]->drain([this](const IcmpAnswer& answer) { complete(answer); });
}

void ICMPEngine::send(const QString& ip, int ttl, double timeoutSeconds, Done done) {
    const auto destination = SocketAddress::fromText(ip);
    if (!destination) {
        done(ICMPFailed{EINVAL});
        return;
    }
    const std::size_t family = destination->family() == AF_INET6 ? 1 : 0;
    if (const int error = open(family); error != 0) {
        done(ICMPFailed{error});
        return;
    }
    const std::uint16_t sequence = sequence_.advance();
    const auto sent = sockets_[family]->send(
        *destination, ttl, sequence, [this](const IcmpAnswer& answer) { complete(answer); });
    if (sent.error != 0) {
        done(ICMPFailed{sent.error});
        return;
    }
    const auto timeout = std::int64_t(std::max(timeoutSeconds, 0.0) * 1e9);
    track(sequence, Pending{sent.at, sent.at + timeout, std::move(done)});
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
    const MainThreadBatch batch;
    const std::int64_t now = monotonicNanos();
    while (!deadlines_.empty() && deadlines_.begin()->first <= now) {
        auto pending = untrack(deadlines_.begin()->second);
        pending->done(ICMPTimeout{});
    }
    armExpiry();
    if (pending_.empty())
        keepAlive_.reset();
}

void ICMPEngine::complete(const IcmpAnswer& answer) {
    auto pending = untrack(answer.sequence);
    if (!pending)
        return; // already timed out, or someone else's answer
    const double ms = double(std::max<std::int64_t>(0, answer.receivedMono - pending->sent)) / 1e6;
    pending->done(ICMPReply{ms, answer.from, answer.timeExceeded});
    // The timer stays set for a deadline that may no longer exist; it then finds nothing due and
    // sets itself for the next one. Cheaper than re-arming on every answer.
    if (pending_.empty())
        keepAlive_.reset();
}

} // namespace vantorel
