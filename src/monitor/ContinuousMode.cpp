#include "history/SampleStore.h"
#include "monitor/PingMonitor.h"
#include "net/ICMPEngine.h"
#include "platform/Clock.h"
#include "platform/Task.h"

#include <cerrno>
#include <cstring>

// The continuous mode of a monitor: one ICMP echo a second, for as long as it runs.
namespace vantorel {

namespace {

constexpr int kContinuousTtl = 64;

// Send errors that mean no probe to this host can succeed for now: probing on would only repeat
// them, so the monitor blocks instead of recording losses.
bool isBlockingError(int error) {
    return error == EHOSTUNREACH || error == ENETUNREACH || error == EACCES || error == EPERM ||
           error == EINVAL;
}

} // namespace

void PingMonitor::startContinuous() {
    if (retryTask_)
        retryTask_->cancel();
    everReceived_ = false;
    consecutiveLosses_ = 0;
    blockRetries_ = 0;
    statusMessage_.reset();
    warmup_ = kWarmupCount;
    isRunning_ = true;
    announceChange();
    handOffHistory([](PingMonitor& monitor) { monitor.startPingLoop(); });
}

void PingMonitor::startPingLoop() {
    // The previous handle is replaced without cancelling: a block already ended that loop.
    probeTask_ = startTask([weak = weak_from_this()](TaskHandle task) -> QCoro::Task<> {
        // Held from here to the end of the loop, so a probing monitor stays alive until a stop
        // or a block ends it.
        const auto self = weak.lock();
        if (!self)
            co_return;
        co_await self->continuousLoop(task);
    });
}

QCoro::Task<void> PingMonitor::continuousLoop(TaskHandle task) {
    // Resolved once per loop, not per probe: a restart after a block resolves again.
    const auto resolved = co_await probeAddress();
    if (task.isCancelled() || !isRunning_)
        co_return;
    if (!resolved) {
        handleBlock(QStringLiteral("cannot resolve"));
        co_return;
    }
    const QString address = *resolved;

    const auto& engine = ICMPEngine::shared();
    for (;;) {
        if (task.isCancelled() || !isRunning_)
            co_return;
        const Date startTime = dateNow();
        const std::int64_t startMono = monotonicNanos();
        const ICMPOutcome outcome =
            co_await engine->probe(address, kContinuousTtl, timing_.probeTimeout);
        if (task.isCancelled() || !isRunning_)
            co_return;

        if (const auto* reply = std::get_if<ICMPReply>(&outcome)) {
            // A time-exceeded answer means the echo never arrived: a loss.
            record(reply->timeExceeded ? std::nullopt : std::optional(reply->ms), startTime);
        } else if (const auto* failed = std::get_if<ICMPFailed>(&outcome)) {
            if (isBlockingError(failed->error)) {
                handleBlock(QString::fromLocal8Bit(std::strerror(failed->error)));
                co_return;
            }
            record(std::nullopt, startTime);
        } else {
            record(std::nullopt, startTime);
        }

        // On the monotonic clock, so a wall-clock step cannot stall the loop. Every host ping
        // probes on the same beat: the main thread and the ICMP queue then wake once a period
        // for all of them instead of once per monitor. Only a loop's first period is stretched
        // or shortened (by half a period at most) to reach the beat; after a start, that period
        // ends within the warm-up, whose outcomes are not kept.
        co_await sleepForSeconds(task, secondsToNextBeat(startMono, timing_.probeInterval));
    }
}

} // namespace vantorel
