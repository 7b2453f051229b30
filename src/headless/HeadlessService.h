#pragma once

#include "headless/HeadlessCommandLine.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace vantorel {

class AlertEngine;
class HostStore;
class MetricsEndpoint;

// A run without a window: the targets' monitors probing and recording to the history, the alert
// engine watching them, and the metrics endpoint when one is asked for. Built from the model's
// libraries alone, so nothing of the desktop's views is in the process.
class HeadlessService {
public:
    // The targets to run: those given, else the stored ones marked to start with Vantorel (an
    // unreadable stored list is reported to the system log). Empty when there are none of either.
    static std::vector<TargetSpec> targetsToRun(const HeadlessOptions& options);

    HeadlessService();
    ~HeadlessService();

    // Starts `specs` and the alert engine, and serves the metrics at `metrics` when given; the
    // reason when that address cannot be listened on, and then nothing runs.
    std::optional<QString> start(const std::vector<TargetSpec>& specs,
                                 const std::optional<ListenAddress>& metrics);

    // Ends the endpoint, the alerts and every monitor's loops, then calls `done` once every
    // sample they recorded is in the history file. Later calls only wait for the same.
    void stop(std::function<void()> done);

private:
    std::unique_ptr<HostStore> store_;
    std::unique_ptr<AlertEngine> alerts_;
    std::unique_ptr<MetricsEndpoint> endpoint_;
};

} // namespace vantorel
