#pragma once

#include "monitor/MonitorStats.h"
#include "monitor/MonitorTiming.h"
#include "monitor/SampleSeries.h"
#include "platform/TaskHandle.h"
#include "records/HopStat.h"
#include "records/PingSample.h"

#include <QCoroTask>
#include <QObject>
#include <QString>
#include <QUuid>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace vantorel {

class ICMPEngine;
class SampleStore;

// Probes one host and keeps the recent series of results with its statistics and a short status
// text. Lives on the main thread; every published change is announced through `changed`, after
// the statistics that go with it are up to date.
//
// Owned through a shared_ptr: a running probe loop holds its monitor until the loop ends, while
// waiting tasks (restarts, history hand-off) hold it only weakly and do nothing once it is gone.
class PingMonitor : public QObject, public std::enable_shared_from_this<PingMonitor> {
    Q_OBJECT

public:
    enum class Mode { continuous, liveness, traceroute, service };

    static constexpr int kHardCap = 100'000;
    static constexpr int kWarmupCount = 5;
    static constexpr int kMaxRetries = 3;

    static std::shared_ptr<PingMonitor> create(const QString& host, Mode mode,
                                               std::optional<QString> persistKey,
                                               MonitorTiming timing = MonitorTiming::production());
    ~PingMonitor() override;

    const QUuid& id() const { return id_; }
    const QString& host() const { return host_; }
    Mode mode() const { return mode_; }
    const std::optional<QString>& persistKey() const { return persistKey_; }

    // Published.
    const std::deque<PingSample>& samples() const { return series_.samples(); }
    bool isRunning() const { return isRunning_; }
    const std::optional<QString>& statusMessage() const { return statusMessage_; }
    const std::optional<int>& httpStatus() const { return httpStatus_; }
    const std::optional<bool>& alive() const { return alive_; }
    const std::optional<double>& latency() const { return latency_; }
    const std::optional<QString>& hostname() const { return hostname_; }
    const std::vector<HopStat>& hopStats() const { return hopStats_; }
    // The TTLs the current traceroute walk has probed; when the sample ending a walk is
    // announced, exactly the hops that walk probed.
    const std::set<int>& walkHops() const { return traceRunSeen_; }

    // Plain, current whenever `changed` is announced.
    const MonitorStats& stats() const { return stats_; }
    std::int64_t counter() const { return counter_; }
    int consecutiveLosses() const { return consecutiveLosses_; }
    // The round-trip time of the newest sample that has one.
    std::optional<double> lastRtt() const;

    void start();
    // Ends the loops; samples, statistics and counters are kept.
    void stop();

    // Takes a stored sweep result into a monitor that has not scanned since it was created.
    void restoreLiveness(std::optional<bool> alive, std::optional<double> latency,
                         const std::optional<QString>& hostname);
    // Appends one outcome (none = lost) of a probe started at `time`.
    void record(std::optional<double> rtt, Date time);
    // Reacts to a condition that makes probing pointless: restart in a while, or pause.
    void handleBlock(const QString& reason);

    // Told of every change just before `changed` is announced. A call, not a connection: changes
    // come with every probe, and delivering a signal to its owner cost as much again as what the
    // owner does with it.
    std::function<void()> onChanged;

Q_SIGNALS:
    void changed();

private:
    PingMonitor(const QString& host, Mode mode, std::optional<QString> persistKey,
                MonitorTiming timing);

    void announceChange();
    void startContinuous();
    void handOffHistory(std::function<void(PingMonitor&)> startLoop);
    void readHistorySettings();
    void reloadHistoryWindow();
    void scheduleRestart(double seconds);
    void startPingLoop();
    QCoro::Task<void> continuousLoop(TaskHandle task);

    void startLiveness();
    QCoro::Task<void> livenessScan(TaskHandle task);
    void lookUpHostname();

    void startTraceroute();
    void restoreHops(std::vector<HopStat> hops);
    void startTraceRun();
    QCoro::Task<void> traceWalk(TaskHandle task);
    void recordHop(int ttl, const QString& host, std::optional<double> rtt);
    void finishTraceRun(bool completed);
    void scheduleNextTraceRun();
    void lookUpHopName(const QString& host);
    void applyHopName(const QString& host, const QString& name);
    // Ends a walk: its handle is cleared only while it is still the current one, so a walk that
    // a stop cancelled cannot orphan a newer walk started meanwhile.
    void endWalk(const TaskHandle& walk);

    void startService();
    void startServiceLoop();
    // The address to probe, or none: the host itself when it is an IPv4 literal; for a sweep's
    // host its first IPv4 address; for the other modes what `resolve` gives with the user's
    // IPv6 preference (an IPv6 literal itself, or an address of either family for a name).
    // Lookups run off the main thread.
    QCoro::Task<std::optional<QString>> probeAddress() const;
    void trimToHistoryWindow(Date now);
    void recomputeStats();
    SampleStore& store() const;

    const QUuid id_;
    const QString host_;
    const Mode mode_;
    const std::optional<QString> persistKey_;
    const MonitorTiming timing_;

    SampleSeries series_;
    bool recording_ = false;
    std::int64_t historyWindowSeconds_ = 0;
    bool isRunning_ = false;
    std::optional<QString> statusMessage_;
    std::optional<TaskHandle> retryTask_;
    std::optional<TaskHandle> probeTask_;
    std::int64_t counter_ = 0;
    int warmup_ = 0;
    const bool autoPause_ = true;
    bool everReceived_ = false;
    int consecutiveLosses_ = 0;
    int blockRetries_ = 0;

    std::optional<int> httpStatus_;
    std::optional<bool> alive_;
    std::optional<double> latency_;
    std::optional<QString> hostname_;
    std::vector<HopStat> hopStats_;

    bool hostnameLookupAttempted_ = false;
    bool hostnameLookupInFlight_ = false;

    std::optional<Date> traceStart_;
    // When the current walk began on the monotonic clock, which alone times the next one.
    std::int64_t traceStartMono_ = 0;
    std::shared_ptr<ICMPEngine> traceEngine_;
    std::set<int> traceRunSeen_;
    std::map<QString, QString> hopHostnames_;
    std::set<QString> hopLookupsInFlight_;
    std::optional<QString> savedHopSignature_;

    MonitorStats stats_;
};

} // namespace vantorel
