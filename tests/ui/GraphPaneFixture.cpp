#include "GraphPaneFixture.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"

#include <QTest>

namespace vantorel {

using namespace std::chrono_literals;

namespace {
std::unique_ptr<lab::Lab> sharedLab;
int unprobedCount = 0;
} // namespace

void GraphPaneFixture::SetUpTestSuite() {
    sharedLab = std::make_unique<lab::Lab>();
}

void GraphPaneFixture::TearDownTestSuite() {
    sharedLab.reset();
}

void GraphPaneFixture::SetUp() {
    auto& preferences = Preferences::instance();
    // Forced, so the tests do not depend on the desktop they happen to run under.
    preferences.setValue(keys::appearance, QStringLiteral("dark"));
    preferences.setValue(keys::latencyGreen, 50.0);
    preferences.setValue(keys::latencyYellow, 150.0);
    preferences.setValue(keys::use24Hour, true);
    // Off unless a test needs more than ten minutes: live probes then leave no stored history.
    setScrollback(false);
}

void GraphPaneFixture::TearDown() {
    // Lets widgets queued for deletion go before the next test.
    test::spinFor(20ms);
}

lab::Lab& GraphPaneFixture::lab() {
    return *sharedLab;
}

QString GraphPaneFixture::unprobedAddress() {
    return QStringLiteral("198.19.250.%1").arg(++unprobedCount);
}

void GraphPaneFixture::setScrollback(bool enabled, int minutes) {
    auto& preferences = Preferences::instance();
    preferences.setValue(keys::scrollbackEnabled, enabled);
    preferences.setValue(keys::scrollbackMinutes, minutes);
}

std::shared_ptr<Target> GraphPaneFixture::target(TargetKind kind, const QString& host, bool enabled,
                                                 const QString& endHost) {
    TargetSpec spec{.kind = kind, .host = host, .endHost = endHost};
    return Target::create(spec, enabled, kFast);
}

std::shared_ptr<Target>
GraphPaneFixture::recordedTarget(TargetKind kind, double seconds, double interval,
                                 const std::function<std::optional<double>(int)>& rtt) {
    auto made = target(kind, unprobedAddress(), false);
    PingMonitor& monitor = *made->monitors().front();
    const int count = int(seconds / interval);
    const Date newest = dateNow() - 1;
    for (int i = 0; i < count; ++i)
        monitor.record(rtt(i), newest - (count - 1 - i) * interval);
    return made;
}

void GraphPaneFixture::showAt(QWidget& widget, int width, int height) {
    widget.resize(width, height);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    test::spinFor(10ms);
}

} // namespace vantorel
