#pragma once

#include "monitor/MonitorTiming.h"
#include "targets/HostStore.h"
#include "targets/TargetSpec.h"
#include "ui/window/MainWindow.h"

#include <QString>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

class QLabel;

namespace vantorel {

class TargetCard;

// A real store over the test's private preferences, holding exactly the given targets (all
// switched off, as at launch), and a main window shown over it.
class MainWindowFixture : public testing::Test {
protected:
    // Short waits, so restarts and pauses happen within a test's patience.
    static constexpr MonitorTiming kFast{
        .probeInterval = 0.1, .probeTimeout = 0.1, .restartDelay = 0.2};

    void SetUp() override;
    void TearDown() override;

    void open(const std::vector<TargetSpec>& specs);

    std::vector<TargetCard*> cards() const;
    TargetCard* card(int index) const;
    static QString cardStatus(const TargetCard* card);
    static QString labelText(const QWidget* parent, const char* objectName);
    QString caption() const;
    // Clicks the card's own switch, as the user would.
    static void flipSwitch(TargetCard* card);

    std::unique_ptr<HostStore> store;
    std::unique_ptr<MainWindow> window;
};

inline QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace vantorel
