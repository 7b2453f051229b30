#pragma once

#include "monitor/MonitorTiming.h"
#include "targets/Target.h"
#include "targets/TargetSpec.h"
#include "ui/detail/ResultsPane.h"

#include <QColor>
#include <gtest/gtest.h>
#include <memory>
#include <string>

class QImage;

namespace vantorel {

class ResultChip;

// A results pane shown on its own over a target the test creates, with the preferences it
// depends on at their defaults and the dark scheme forced.
class ResultsPaneFixture : public testing::Test {
protected:
    static constexpr MonitorTiming kFast{.probeInterval = 0.1,
                                         .probeTimeout = 0.1,
                                         .restartDelay = 0.2,
                                         .livenessProbePause = 0.02,
                                         .httpCheckPeriod = 0.2,
                                         .tcpCheckPeriod = 0.2};

    void SetUp() override;
    void TearDown() override;

    // Creates the target (switched on or not) and shows a pane over it.
    void open(const TargetSpec& spec, bool enabled);
    void show(std::shared_ptr<Target> shown);

    ResultChip* chip(const char* objectName) const;
    // Presses a chip as the user does.
    void press(const char* objectName) const;

    std::shared_ptr<Target> target;
    std::unique_ptr<ResultsPane> pane;
};

// A target of one host (every kind but sweeps).
inline TargetSpec singleHost(TargetKind kind, const QString& host) {
    TargetSpec spec;
    spec.kind = kind;
    spec.host = host;
    return spec;
}

inline QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

// Whether the image holds at least `minimum` pixels close to `colour` inside `area`.
bool containsColour(const QImage& image, const QRect& area, const QColor& colour, int minimum = 4);

} // namespace vantorel
