#include "MainWindowFixture.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "targets/TargetSpecJson.h"
#include "ui/controls/ToggleSwitch.h"
#include "ui/window/Sidebar.h"
#include "ui/window/TargetCard.h"

#include <QLabel>
#include <QTest>

namespace vantorel {

using namespace std::chrono_literals;

void MainWindowFixture::SetUp() {
    auto& preferences = Preferences::instance();
    // Forced, so the test does not depend on the desktop it happens to run under.
    preferences.setValue(keys::appearance, QStringLiteral("dark"));
    for (const auto key :
         {keys::latencyGreen, keys::latencyYellow, keys::use24Hour, keys::glassEnabled})
        preferences.remove(key);
}

void MainWindowFixture::TearDown() {
    window.reset();
    store.reset();
    // Lets cards and sheets queued for deletion go before the next test builds its window.
    test::spinFor(20ms);
}

void MainWindowFixture::open(const std::vector<TargetSpec>& specs) {
    window.reset();
    store.reset();
    // Never the built-in public resolvers: an explicit list, even an empty one.
    Preferences::instance().setValue(keys::targetsV2, *encodeTargetSpecs(specs));
    store = std::make_unique<HostStore>(kFast);
    window = std::make_unique<MainWindow>(*store);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
}

std::vector<TargetCard*> MainWindowFixture::cards() const {
    return window->findChild<Sidebar*>(QStringLiteral("sidebar"))->cards();
}

TargetCard* MainWindowFixture::card(int index) const {
    const auto all = cards();
    EXPECT_LT(std::size_t(index), all.size());
    return all.at(std::size_t(index));
}

QString MainWindowFixture::cardStatus(const TargetCard* card) {
    return labelText(card, "cardStatus");
}

QString MainWindowFixture::labelText(const QWidget* parent, const char* objectName) {
    const auto* label = parent->findChild<QLabel*>(QString::fromLatin1(objectName));
    EXPECT_NE(label, nullptr) << objectName;
    return label ? label->text() : QString();
}

QString MainWindowFixture::caption() const {
    return labelText(window.get(), "sidebarCaption");
}

void MainWindowFixture::flipSwitch(TargetCard* card) {
    auto* toggle = card->findChild<ToggleSwitch*>(QStringLiteral("activeSwitch"));
    ASSERT_NE(toggle, nullptr);
    QTest::mouseClick(toggle, Qt::LeftButton);
}

} // namespace vantorel
