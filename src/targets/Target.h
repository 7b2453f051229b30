#pragma once

#include "monitor/MonitorTiming.h"
#include "monitor/PingMonitor.h"
#include "platform/ChangeCoalescer.h"
#include "platform/TaskHandle.h"
#include "targets/TargetHealth.h"
#include "targets/TargetSpec.h"

#include <QObject>
#include <QUuid>
#include <memory>
#include <optional>
#include <vector>

namespace vantorel {

// One entry of the user's target list at run time: the monitors probing the hosts of its spec,
// switched on and off together, with one health and summary figures derived from them. A sweep
// also rescans every minute and keeps its last complete pass in the history.
//
// Announces `changed` at most once per 250 ms however many of its monitors change.
class Target : public QObject, public std::enable_shared_from_this<Target> {
    Q_OBJECT

public:
    static std::shared_ptr<Target> create(TargetSpec spec, bool enabled,
                                          MonitorTiming timing = MonitorTiming::production());
    // Stops the monitors: a running probe loop holds its monitor, and would otherwise go on
    // probing for a target nobody has any more.
    ~Target() override;

    // The history key of a monitor probing `host` for a target of `kind`; none for sweeps.
    static std::optional<QString> persistKey(TargetKind kind, const QString& host);
    // Where a sweep keeps its last complete pass.
    QString sweepResultKey() const;

    const QUuid& id() const { return id_; }
    const TargetSpec& spec() const { return spec_; }
    const std::vector<std::shared_ptr<PingMonitor>>& monitors() const { return monitors_; }
    bool enabled() const { return enabled_; }

    // The user's switch: on starts everything, off stops it.
    void setEnabled(bool enabled);
    // The one part of the spec the user changes after adding the target.
    void setStartWithVantorel(bool on);
    // Starts every monitor (and a sweep's rescans); `enabled` is the caller's to set first.
    void start();
    // Disables the target and stops everything; what the monitors hold is kept.
    void stop();

    TargetHealth health() const;
    bool isScanning() const;
    std::optional<QString> statusMessage() const;
    std::optional<double> currentLatency() const;
    double lossPct() const;
    std::optional<double> avgLatency() const;
    std::optional<double> minLatency() const;
    std::optional<double> maxLatency() const;
    std::optional<double> jitter() const;
    std::optional<double> mos() const;

Q_SIGNALS:
    void changed();

private:
    Target(TargetSpec spec, bool enabled, MonitorTiming timing);

    void startRescan();
    void checkSweepCompletion();
    void restoreSweepState();
    const PingMonitor* firstMonitor() const;

    const QUuid id_;
    TargetSpec spec_;
    const MonitorTiming timing_;
    std::vector<std::shared_ptr<PingMonitor>> monitors_;
    bool enabled_;
    ChangeCoalescer coalescer_;
    std::optional<TaskHandle> rescanTask_;
    bool wasScanning_ = false;
};

} // namespace vantorel
