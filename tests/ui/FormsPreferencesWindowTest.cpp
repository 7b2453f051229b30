#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "ui/controls/FormSegmentedPicker.h"
#include "ui/controls/FormSwitch.h"
#include "ui/preferences/PreferencesWindow.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QTest>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

const QLatin1StringView userSettings[] = {
    keys::appearance,           keys::glassEnabled,      keys::latencyGreen,   keys::latencyYellow,
    keys::scrollbackEnabled,    keys::scrollbackMinutes, keys::use24Hour,      keys::alertsEnabled,
    keys::alertUnreachableSecs, keys::alertLossPct,      keys::alertLatencyMs,
};

class PreferencesWindowTest : public testing::Test {
protected:
    void SetUp() override {
        for (const QLatin1StringView key : userSettings)
            preferences().remove(key);
    }

    void TearDown() override {
        window_.reset();
        QLocale::setDefault(QLocale::system());
    }

    static Preferences& preferences() { return Preferences::instance(); }

    PreferencesWindow& window() {
        if (!window_)
            window_ = std::make_unique<PreferencesWindow>();
        return *window_;
    }

    template <typename Widget> Widget* control(QLatin1StringView name) {
        auto* widget = window().findChild<Widget*>(QString(name));
        EXPECT_NE(widget, nullptr) << name.data();
        return widget;
    }

    QLineEdit* field(QLatin1StringView key) { return control<QLineEdit>(key); }

    // Types over the field's text and ends the edit, as a user tabbing on would.
    static void typeInto(QLineEdit* field, const QString& text) {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }

    QString thresholdsCaption() {
        return window().findChild<QLabel*>(QStringLiteral("thresholdsCaption"))->text();
    }

    std::unique_ptr<PreferencesWindow> window_;
};

TEST_F(PreferencesWindowTest, KeepIsStoredWithinOneMinuteToOneDay) {
    QLineEdit* keep = field(keys::scrollbackMinutes);
    EXPECT_EQ(keep->text(), QStringLiteral("30"));

    typeInto(keep, QStringLiteral("0"));
    EXPECT_EQ(keep->text(), QStringLiteral("1"));
    EXPECT_EQ(preferences().integerValue(keys::scrollbackMinutes), 1);

    typeInto(keep, QStringLiteral("5000"));
    EXPECT_EQ(keep->text(), QLocale().toString(1440));
    EXPECT_EQ(preferences().integerValue(keys::scrollbackMinutes), 1440);

    typeInto(keep, QStringLiteral("90"));
    EXPECT_EQ(preferences().integerValue(keys::scrollbackMinutes), 90);
}

TEST_F(PreferencesWindowTest, ThresholdsCaptionShowsTheBandsAsTyped) {
    typeInto(field(keys::latencyGreen), QStringLiteral("50"));
    typeInto(field(keys::latencyYellow), QStringLiteral("150"));
    EXPECT_EQ(thresholdsCaption(),
              QStringLiteral("Green \u2264 50 ms \u00b7 Yellow \u2264 150 ms \u00b7 Red above"));

    // Out of order is stored as typed: the colour rule repairs it where it is used.
    typeInto(field(keys::latencyGreen), QStringLiteral("100"));
    typeInto(field(keys::latencyYellow), QStringLiteral("60.9"));
    EXPECT_EQ(preferences().doubleValue(keys::latencyGreen), 100.0);
    EXPECT_EQ(preferences().doubleValue(keys::latencyYellow), 60.9);
    EXPECT_EQ(thresholdsCaption(),
              QStringLiteral("Green \u2264 100 ms \u00b7 Yellow \u2264 60 ms \u00b7 Red above"));
}

TEST_F(PreferencesWindowTest, CaptionTruncatesTowardsZero) {
    EXPECT_EQ(PreferencesWindow::thresholdsCaption(-0.5, 1e300),
              QStringLiteral("Green \u2264 0 ms \u00b7 Yellow \u2264 9223372036854775807 ms "
                             "\u00b7 Red above"));
}

TEST_F(PreferencesWindowTest, NumbersFollowTheUsersLocale) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QLineEdit* loss = field(keys::alertLossPct);
    EXPECT_EQ(loss->text(), QStringLiteral("10"));

    typeInto(loss, QStringLiteral("12,5"));
    EXPECT_EQ(preferences().doubleValue(keys::alertLossPct), 12.5);
    EXPECT_EQ(loss->text(), QStringLiteral("12,5"));

    QLineEdit* keep = field(keys::scrollbackMinutes);
    typeInto(keep, QStringLiteral("1440"));
    EXPECT_EQ(keep->text(), QStringLiteral("1.440"));
    typeInto(keep, QStringLiteral("1.200"));
    EXPECT_EQ(preferences().integerValue(keys::scrollbackMinutes), 1200);
}

TEST_F(PreferencesWindowTest, WhatDoesNotParseIsNotStored) {
    QLineEdit* latency = field(keys::alertLatencyMs);
    latency->selectAll();
    QTest::keyClicks(latency, QStringLiteral("fast"));
    EXPECT_EQ(preferences().doubleValue(keys::alertLatencyMs), 500.0);
    QTest::keyClick(latency, Qt::Key_Return);
    EXPECT_EQ(latency->text(), QStringLiteral("500"));

    // Read as numbers by the locale, but meaningless as a limit.
    typeInto(field(keys::alertLossPct), QStringLiteral("nan"));
    typeInto(field(keys::alertLossPct), QStringLiteral("inf"));
    EXPECT_EQ(preferences().doubleValue(keys::alertLossPct), 10.0);
    EXPECT_EQ(field(keys::alertLossPct)->text(), QStringLiteral("10"));
}

TEST_F(PreferencesWindowTest, EveryControlWritesItsKey) {
    auto* theme = control<FormSegmentedPicker>(keys::appearance);
    EXPECT_EQ(theme->currentIndex(), 0);
    QTest::mouseClick(theme->segment(2), Qt::LeftButton);
    EXPECT_EQ(preferences().stringValue(keys::appearance), QStringLiteral("dark"));
    QTest::mouseClick(theme->segment(1), Qt::LeftButton);
    EXPECT_EQ(preferences().stringValue(keys::appearance), QStringLiteral("light"));
    QTest::mouseClick(theme->segment(0), Qt::LeftButton);
    EXPECT_EQ(preferences().stringValue(keys::appearance), QStringLiteral("auto"));

    auto* clock = control<FormSegmentedPicker>(keys::use24Hour);
    EXPECT_EQ(clock->currentIndex(), 0);
    QTest::mouseClick(clock->segment(1), Qt::LeftButton);
    EXPECT_TRUE(preferences().boolValue(keys::use24Hour));
    QTest::mouseClick(clock->segment(0), Qt::LeftButton);
    EXPECT_FALSE(preferences().boolValue(keys::use24Hour));

    for (const auto& [key, initially] :
         {std::pair(keys::glassEnabled, true), std::pair(keys::alertsEnabled, false),
          std::pair(keys::scrollbackEnabled, true)}) {
        auto* toggle = control<FormSwitch>(key);
        EXPECT_EQ(toggle->isChecked(), initially) << key.data();
        QTest::mouseClick(toggle, Qt::LeftButton);
        EXPECT_EQ(preferences().boolValue(key), !initially) << key.data();
    }

    typeInto(field(keys::latencyGreen), QStringLiteral("75.25"));
    typeInto(field(keys::latencyYellow), QStringLiteral("200"));
    typeInto(field(keys::alertUnreachableSecs), QStringLiteral("45"));
    typeInto(field(keys::alertLossPct), QStringLiteral("2.5"));
    typeInto(field(keys::alertLatencyMs), QStringLiteral("0"));
    EXPECT_EQ(preferences().doubleValue(keys::latencyGreen), 75.25);
    EXPECT_EQ(preferences().doubleValue(keys::latencyYellow), 200.0);
    EXPECT_EQ(preferences().integerValue(keys::alertUnreachableSecs), 45);
    EXPECT_EQ(preferences().doubleValue(keys::alertLossPct), 2.5);
    EXPECT_EQ(preferences().doubleValue(keys::alertLatencyMs), 0.0);
}

TEST_F(PreferencesWindowTest, ControlsFollowChangesMadeElsewhere) {
    window();
    preferences().setValue(keys::appearance, QStringLiteral("dark"));
    preferences().setValue(keys::use24Hour, true);
    preferences().setValue(keys::glassEnabled, false);
    preferences().setValue(keys::latencyYellow, 80.5);
    // Only typing into "Keep" limits it; a value stored another way is shown as it is.
    preferences().setValue(keys::scrollbackMinutes, qint64(5000));

    EXPECT_EQ(control<FormSegmentedPicker>(keys::appearance)->currentIndex(), 2);
    EXPECT_EQ(control<FormSegmentedPicker>(keys::use24Hour)->currentIndex(), 1);
    EXPECT_FALSE(control<FormSwitch>(keys::glassEnabled)->isChecked());
    EXPECT_EQ(field(keys::latencyYellow)->text(), QLocale().toString(80.5));
    EXPECT_EQ(field(keys::scrollbackMinutes)->text(), QLocale().toString(5000));
    EXPECT_EQ(thresholdsCaption(),
              QStringLiteral("Green \u2264 50 ms \u00b7 Yellow \u2264 80 ms \u00b7 Red above"));

    // A theme the picker does not offer chooses none of its segments.
    preferences().setValue(keys::appearance, QStringLiteral("sepia"));
    EXPECT_EQ(control<FormSegmentedPicker>(keys::appearance)->currentIndex(), -1);
}

TEST_F(PreferencesWindowTest, LimitsStayEditableWhileTheirFeatureIsOff) {
    preferences().setValue(keys::alertsEnabled, false);
    preferences().setValue(keys::scrollbackEnabled, false);
    for (const QLatin1StringView key : {keys::alertUnreachableSecs, keys::alertLossPct,
                                        keys::alertLatencyMs, keys::scrollbackMinutes}) {
        EXPECT_TRUE(field(key)->isEnabled()) << key.data();
        EXPECT_FALSE(field(key)->isReadOnly()) << key.data();
    }
    typeInto(field(keys::alertLossPct), QStringLiteral("3"));
    EXPECT_EQ(preferences().doubleValue(keys::alertLossPct), 3.0);
}

TEST_F(PreferencesWindowTest, ShowWindowKeepsOneWindow) {
    const auto preferencesWindows = [] {
        int count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            count +=
                widget->objectName() == QStringLiteral("preferencesWindow") && widget->isVisible();
        return count;
    };
    PreferencesWindow::showWindow();
    PreferencesWindow::showWindow();
    EXPECT_EQ(preferencesWindows(), 1);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QStringLiteral("preferencesWindow"))
            widget->close();
    }
    PreferencesWindow::showWindow();
    EXPECT_EQ(preferencesWindows(), 1);
}

} // namespace
} // namespace vantorel
