#pragma once

#include "lab/Lab.h"
#include "monitor/MonitorTiming.h"
#include "targets/Target.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace vantorel {

// Graph pane and history chart tests share one lab, so every test probes hosts no earlier test
// has recorded history for, and preferences set to known values.
class GraphPaneFixture : public testing::Test {
protected:
    static constexpr MonitorTiming kFast{.probeInterval = 0.1,
                                         .probeTimeout = 0.1,
                                         .restartDelay = 0.2,
                                         .traceRunPeriod = 0.3,
                                         .livenessProbePause = 0.02,
                                         .sweepRescanInterval = 600,
                                         .httpCheckPeriod = 0.2,
                                         .tcpCheckPeriod = 0.2};

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    static lab::Lab& lab();
    // An address no test ever probes: for targets that stay switched off and are fed by hand.
    static QString unprobedAddress();

    // A switched-off target whose first monitor holds samples every `interval` seconds over the
    // last `seconds`, the newest one second ago; `rtt(i)` gives the i-th sample's outcome.
    static std::shared_ptr<Target>
    recordedTarget(TargetKind kind, double seconds, double interval,
                   const std::function<std::optional<double>(int)>& rtt);

    static void setScrollback(bool enabled, int minutes = 60);

    // Shows `widget` as a window of the given size and lets it lay itself out.
    static void showAt(QWidget& widget, int width, int height);

    static std::shared_ptr<Target> target(TargetKind kind, const QString& host, bool enabled,
                                          const QString& endHost = QString());
};

} // namespace vantorel
