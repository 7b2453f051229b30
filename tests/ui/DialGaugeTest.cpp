#include "ui/controls/DialGauge.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"

#include <QImage>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace vantorel {
namespace {

constexpr int kSide = 200;

gauge::Reading reading(std::optional<double> value, bool down = false) {
    return {.value = value, .isDown = down, .green = 30, .yellow = 80, .gaugeMax = 200};
}

class DialGaugeTest : public testing::Test {
protected:
    void SetUp() override {
        Preferences::instance().setValue(keys::appearance, QStringLiteral("dark"));
        dial.resize(kSide, kSide);
    }

    QImage render() {
        QImage image(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        dial.render(&image, {}, {}, QWidget::DrawChildren);
        return image;
    }

    // The colour at `radius` from the centre, `degrees` clockwise from the top.
    static QColor at(const QImage& image, double degrees, double radius) {
        const double angle = degrees * std::numbers::pi / 180;
        return image.pixelColor(int(std::lround(kSide / 2.0 + radius * std::sin(angle))),
                                int(std::lround(kSide / 2.0 - radius * std::cos(angle))));
    }

    bool settle(double angle) {
        return test::spinUntil([&] { return dial.needleAngle() == angle; },
                               std::chrono::seconds(3));
    }

    DialGauge dial;
};

// On the middle of the arc's line, at the default line ratio.
constexpr double kArcRadius = (kSide - 0.075 * kSide) / 2 - 1;
// Along the needle, clear of the figure under the hub.
constexpr double kNeedleRadius = 0.3 * kSide;

TEST_F(DialGaugeTest, TheBandOfTheCurrentZoneIsLit) {
    dial.setReading(reading(10));
    QImage image = render();
    // Green runs from −135° to −94.5° (30 of 200 ms), red from −27° to +135°.
    QColor green = at(image, -120, kArcRadius);
    QColor red = at(image, 90, kArcRadius);
    EXPECT_GT(green.alpha(), 200);
    EXPECT_GT(green.green(), green.red());
    EXPECT_LT(red.alpha(), 100);
    EXPECT_GT(red.red(), red.green());

    dial.setReading(reading(150));
    image = render();
    green = at(image, -120, kArcRadius);
    red = at(image, 90, kArcRadius);
    EXPECT_LT(green.alpha(), 100);
    EXPECT_GT(red.alpha(), 200);
}

TEST_F(DialGaugeTest, AValueBeyondFullScaleEasesTheNeedleToTheEndOfTheArc) {
    EXPECT_EQ(dial.needleAngle(), -135);
    dial.setReading(reading(500));
    // It sets off from where it stood rather than jumping.
    EXPECT_LT(dial.needleAngle(), 0);
    ASSERT_TRUE(settle(135));

    const QImage image = render();
    EXPECT_GT(at(image, 135, kNeedleRadius).alpha(), 150);
    EXPECT_EQ(at(image, -135, kNeedleRadius).alpha(), 0);
}

TEST_F(DialGaugeTest, AMoveTooSmallToSeeIsDrawnAtOnce) {
    dial.setReading(reading(100));
    ASSERT_TRUE(settle(-135 + 270 * 0.5));
    // 0.2 ms of 200 is a quarter of a degree.
    dial.setReading(reading(100.2));
    EXPECT_DOUBLE_EQ(dial.needleAngle(), -135 + 270 * 100.2 / 200);
    dial.setReading(reading(120));
    EXPECT_LT(dial.needleAngle(), -135 + 270 * 0.6);
}

TEST_F(DialGaugeTest, DownPinsARedNeedleAndSaysSo) {
    dial.setReading(reading(40));
    ASSERT_TRUE(settle(-135 + 270 * 40.0 / 200));
    dial.setReading(reading(std::nullopt, true));
    ASSERT_TRUE(settle(135));
    EXPECT_TRUE(dial.accessibleDescription().startsWith(QStringLiteral("DOWN")));
    const QColor needle = at(render(), 135, kNeedleRadius);
    EXPECT_GT(needle.red() - needle.green(), 100);
    EXPECT_GT(needle.alpha(), 150);
}

TEST_F(DialGaugeTest, WithoutAValueTheNeedleGoes) {
    dial.setReading(reading(100));
    ASSERT_TRUE(settle(0));
    EXPECT_GT(at(render(), 0, kNeedleRadius).alpha(), 150);
    dial.setReading(reading(std::nullopt));
    EXPECT_EQ(at(render(), 0, kNeedleRadius).alpha(), 0);
    EXPECT_TRUE(dial.accessibleDescription().startsWith(QStringLiteral("—")));
}

} // namespace
} // namespace vantorel
