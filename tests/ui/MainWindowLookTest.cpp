#include "MainWindowFixture.h"
#include "lab/TunPath.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"
#include "ui/controls/DesktopColourScheme.h"
#include "ui/controls/Theme.h"
#include "ui/rules/TimeLabel.h"
#include "ui/window/AuroraBackground.h"
#include "ui/window/TargetCard.h"

#include <QLabel>

namespace vantorel {
namespace {

using namespace std::chrono_literals;
using test::spinFor;
using test::spinUntil;

double meanLightness(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += QColor(image.pixel(x, y)).lightnessF();
    return sum / (image.width() * image.height());
}

class MainWindowLook : public MainWindowFixture {
protected:
    AuroraBackground* aurora() const { return window->findChild<AuroraBackground*>(); }
    void setPreference(QLatin1StringView key, const QVariant& value) {
        Preferences::instance().setValue(key, value);
    }
};

TEST(TimeLabel, FourFormatsByClockAndSeconds) {
    // 2024-03-09 13:05:09 and 09:04:03 UTC; the test runs with TZ=UTC.
    const Date afternoon = dateFromUnixSeconds(1709989509.25);
    const Date morning = dateFromUnixSeconds(1709975043.0);
    auto& preferences = Preferences::instance();
    preferences.setValue(keys::use24Hour, false);
    EXPECT_EQ(timeLabel(afternoon, false), "2024-03-09 1:05 PM");
    EXPECT_EQ(timeLabel(afternoon, true), "2024-03-09 1:05:09 PM");
    EXPECT_EQ(timeLabel(morning, false), "2024-03-09 9:04 AM");
    preferences.setValue(keys::use24Hour, true);
    EXPECT_EQ(timeLabel(afternoon, false), "2024-03-09 13:05");
    EXPECT_EQ(timeLabel(afternoon, true), "2024-03-09 13:05:09");
    EXPECT_EQ(timeLabel(morning, true), "2024-03-09 09:04:03");
    preferences.remove(keys::use24Hour);
}

TEST_F(MainWindowLook, AppearanceForcesTheSchemeOrFollowsTheDesktopWithoutReopening) {
    open({});
    EXPECT_TRUE(theme::isDark());
    EXPECT_LT(meanLightness(aurora()->frame()), 0.35);
    const QColor darkCaption = window->findChild<QLabel*>(QStringLiteral("sidebarCaption"))
                                   ->palette()
                                   .color(QPalette::PlaceholderText);

    setPreference(keys::appearance, QStringLiteral("light"));
    EXPECT_FALSE(theme::isDark());
    EXPECT_GT(meanLightness(aurora()->frame()), 0.7);
    EXPECT_NE(window->findChild<QLabel*>(QStringLiteral("sidebarCaption"))
                  ->palette()
                  .color(QPalette::PlaceholderText),
              darkCaption)
        << "secondary text takes the light scheme's colour";

    setPreference(keys::appearance, QStringLiteral("auto"));
    const bool desktopDark = DesktopColourScheme::instance().prefersDark();
    EXPECT_EQ(theme::isDark(), desktopDark);
    EXPECT_EQ(meanLightness(aurora()->frame()) < 0.5, desktopDark);
}

TEST_F(MainWindowLook, ChangedLatencyThresholdsRecolourTheCardsAtOnce) {
    lab::TunPath path;
    path.setDestinations({path.address(2)});
    path.setDelay(5ms);
    open({{TargetKind::hostPing, qt(path.address(2)), QString(), 24}});
    flipSwitch(card(0));
    ASSERT_TRUE(spinUntil([&] { return card(0)->statusColour() == theme::green(); }));

    setPreference(keys::latencyGreen, 1.0);
    setPreference(keys::latencyYellow, 2.0);
    EXPECT_EQ(card(0)->statusColour(), theme::red());
    EXPECT_EQ(labelText(card(0), "latencyFigure"), "5 ms");
    setPreference(keys::latencyGreen, 3.0);
    setPreference(keys::latencyYellow, 10.0);
    EXPECT_EQ(card(0)->statusColour(), theme::latencyColour(LatencyColour::yellow));
}

TEST_F(MainWindowLook, BackgroundMovesOnlyWhileTheWindowIsShown) {
    open({});
    ASSERT_TRUE(aurora()->isAnimating());
    const QImage start = aurora()->frame();
    ASSERT_TRUE(spinUntil([&] { return aurora()->frame() != start; }, 10s))
        << "the centre point drifts";

    window->hide();
    EXPECT_FALSE(aurora()->isAnimating());
    const QImage hidden = aurora()->frame();
    spinFor(1500ms);
    EXPECT_EQ(aurora()->frame(), hidden);

    window->show();
    EXPECT_TRUE(aurora()->isAnimating());
}

} // namespace
} // namespace vantorel
