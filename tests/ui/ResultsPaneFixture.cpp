#include "ResultsPaneFixture.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "ui/detail/ResultChip.h"

#include <QImage>
#include <QTest>
#include <cstdlib>

namespace vantorel {

using namespace std::chrono_literals;

void ResultsPaneFixture::SetUp() {
    auto& preferences = Preferences::instance();
    preferences.setValue(keys::appearance, QStringLiteral("dark"));
    for (const auto key : {keys::latencyGreen, keys::latencyYellow, keys::use24Hour,
                           keys::glassEnabled, keys::scrollbackEnabled, keys::scrollbackMinutes})
        preferences.remove(key);
}

void ResultsPaneFixture::TearDown() {
    pane.reset();
    target.reset();
    test::spinFor(20ms);
}

void ResultsPaneFixture::open(const TargetSpec& spec, bool enabled) {
    show(Target::create(spec, enabled, kFast));
}

void ResultsPaneFixture::show(std::shared_ptr<Target> shown) {
    target = std::move(shown);
    pane = std::make_unique<ResultsPane>(target);
    pane->resize(640, 420);
    pane->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pane.get()));
}

ResultChip* ResultsPaneFixture::chip(const char* objectName) const {
    auto* found = pane->findChild<ResultChip*>(QString::fromLatin1(objectName));
    EXPECT_NE(found, nullptr) << objectName;
    return found;
}

void ResultsPaneFixture::press(const char* objectName) const {
    QTest::mouseClick(chip(objectName), Qt::LeftButton);
}

bool containsColour(const QImage& image, const QRect& area, const QColor& colour, int minimum) {
    int matches = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) < 40 &&
                std::abs(pixel.green() - colour.green()) < 40 &&
                std::abs(pixel.blue() - colour.blue()) < 40 && ++matches >= minimum)
                return true;
        }
    return false;
}

} // namespace vantorel
