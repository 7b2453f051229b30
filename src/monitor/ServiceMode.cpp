#include "monitor/PingMonitor.h"
#include "net/ServiceProbe.h"
#include "platform/Clock.h"
#include "platform/Task.h"

// The service mode of a monitor: a TCP connect or an HTTP(S) request, timed at a fixed period.
namespace vantorel {

void PingMonitor::startService() {
    if (retryTask_)
        retryTask_->cancel();
    statusMessage_.reset();
    // The first attempt after a start pays for connection set-up and name lookup; it is dropped.
    warmup_ = 1;
    isRunning_ = true;
    announceChange();
    handOffHistory([](PingMonitor& monitor) { monitor.startServiceLoop(); });
}

void PingMonitor::startServiceLoop() {
    const auto probe = ServiceProbe::parse(QStringView(host_));
    if (!probe) {
        isRunning_ = false;
        statusMessage_ = QStringLiteral("Invalid address — use host:port or an http(s):// URL");
        announceChange();
        return;
    }
    if (retryTask_)
        retryTask_->cancel();
    // The monitor is held only for each attempt, never across the pause between attempts.
    const double period = probe->isHttp() ? timing_.httpCheckPeriod : timing_.tcpCheckPeriod;
    retryTask_ = startTask(
        [weak = weak_from_this(), probe = *probe, period](TaskHandle task) -> QCoro::Task<> {
            for (;;) {
                {
                    const auto self = weak.lock();
                    if (task.isCancelled() || !self || !self->isRunning_)
                        co_return;
                }
                const Date start = dateNow();
                const std::int64_t startMono = monotonicNanos();
                const ServiceResult result = co_await probe.measure();
                {
                    const auto self = weak.lock();
                    if (task.isCancelled() || !self || !self->isRunning_)
                        co_return;
                    self->httpStatus_ = result.httpStatus;
                    self->statusMessage_ = result.errorText;
                    self->record(result.rttMs, start);
                }
                // On the beat that host pings share: checks of many services then wake the threads
                // once for all of them. Only the pause after the first check, whose outcome is
                // dropped as the warm-up, is stretched or shortened to reach the beat.
                co_await sleepForSeconds(task, secondsToNextBeat(startMono, period));
            }
        });
}

} // namespace vantorel
