// What a screen reader and a large font meet in every window: the main one over each kind of target
// and the overview, the sheet, the tray's popover, the preferences. Monitors stopped: fed by hand.
#include "platform/Clock.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/PaintRecorder.h"
#include "support/QtPrinters.h"
#include "targets/HostStore.h"
#include "targets/TargetSpecJson.h"
#include "ui/controls/BusyNote.h"
#include "ui/controls/DialGauge.h"
#include "ui/controls/ElidedLabel.h"
#include "ui/controls/FormSegmentedPicker.h"
#include "ui/controls/TargetStatus.h"
#include "ui/controls/Theme.h"
#include "ui/detail/HeadlineFigure.h"
#include "ui/detail/HopList.h"
#include "ui/detail/HopRow.h"
#include "ui/overview/TargetTile.h"
#include "ui/preferences/PreferencesWindow.h"
#include "ui/sheet/AddTargetSheet.h"
#include "ui/tray/TrayPopover.h"
#include "ui/tray/TrayRow.h"
#include "ui/window/MainWindow.h"
#include "ui/window/TargetCard.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

using namespace std::chrono_literals;

QString accessibleName(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

// Text cut short: a label or button smaller than its text (eliding labels have a smaller minimum
// width), a field shorter or narrower than what it holds, or a wrapped label shorter than its text.
bool clipped(const QWidget& widget) {
    if (const auto* label = qobject_cast<const QLabel*>(&widget); label && label->wordWrap())
        return widget.height() < label->heightForWidth(widget.width());
    if (const auto* field = qobject_cast<const QLineEdit*>(&widget))
        return widget.height() < widget.minimumSizeHint().height() ||
               widget.width() < field->fontMetrics().horizontalAdvance(field->text()) + 12;
    if (!qobject_cast<const QLabel*>(&widget) && !qobject_cast<const QAbstractButton*>(&widget))
        return false;
    const QSize hint = widget.minimumSizeHint(), least = hint.isValid() ? hint : widget.sizeHint();
    return widget.width() < least.width() || widget.height() < least.height();
}

// Reaching past the side of a widget it lies in, which cuts it off: nothing here scrolls sideways.
bool cutOffSideways(const QWidget& widget, const QWidget& window) {
    for (const QWidget* outer = widget.parentWidget(); outer && outer != window.parentWidget();
         outer = outer->parentWidget()) {
        const int left = widget.mapTo(outer, QPoint(0, 0)).x();
        if (left < 0 || left + widget.width() > outer->width())
            return true;
    }
    return false;
}

// In each state of each window: every control has a name, and no text is cut.
void inspect(QWidget& window, const std::string& state) {
    window.show();
    test::spinFor(50ms);
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisible())
            continue;
        const std::string what = state + ": " + widget->metaObject()->className() + " " +
                                 widget->objectName().toStdString();
        if (widget->focusPolicy() != Qt::NoFocus || qobject_cast<QAbstractButton*>(widget))
            EXPECT_FALSE(accessibleName(widget).isEmpty()) << what;
        EXPECT_FALSE(cutOffSideways(*widget, window)) << what;
        EXPECT_FALSE(clipped(*widget)) << what << " cuts its text short";
    }
}

TEST(Accessibility, AtFourteenPointsEveryControlIsNamedAfterItsTargetAndNoTextIsCut) {
    const QFont before = QApplication::font();
    QFont large = before;
    large.setPointSizeF(14);
    QApplication::setFont(large);
    using enum TargetKind;
    HostStore store({{hostPing, "127.0.0.2", {}, 24},
                     {pingSweep, "127.0.0.1", "127.0.0.4", 24},
                     {traceroute, "127.0.0.1", {}, 24},
                     {serviceCheck, "127.0.0.1:9", {}, 24}},
                    MonitorTiming::production()); // every target on
    for (const auto& target : store.targets())
        for (const auto& monitor : target->monitors())
            monitor->stop();
    store.targets()[1]->monitors()[0]->restoreLiveness(false, std::nullopt, std::nullopt);
    // Past the warm-up, whose answers are not kept.
    for (int i = 0; i <= PingMonitor::kWarmupCount; ++i)
        store.targets()[0]->monitors().front()->record(72.4, dateNow());
    test::spinFor(300ms); // the target passes the change on

    MainWindow window(store);
    for (const auto& target : store.targets()) {
        window.select(target->id());
        inspect(window, target->spec().displayName().toStdString());
    }
    // Each card's switch is named after its own target, so a screen reader can tell them apart.
    for (const TargetCard* card : window.findChildren<TargetCard*>())
        EXPECT_EQ(accessibleName(card->findChild<QAbstractButton*>("activeSwitch")),
                  "Monitor " + card->target()->spec().displayName());
    // Figures read as their values; tiles and cards as their target, state and figure.
    window.select(store.targets()[1]->id());
    EXPECT_EQ(window.findChild<HeadlineFigure*>()->text(), "0 / 4 up");
    EXPECT_EQ(window.findChild<BusyNote*>("scanningNote")->text(), "Scanning 1/4");
    window.select(store.targets()[0]->id());
    auto* headline = window.findChild<HeadlineFigure*>();
    auto* gauge = window.findChild<DialGauge*>();
    for (QWidget* figure : {static_cast<QWidget*>(headline), static_cast<QWidget*>(gauge)})
        EXPECT_EQ(QAccessible::queryAccessibleInterface(figure)->role(), QAccessible::StaticText);
    EXPECT_EQ(std::tuple(accessibleName(headline), headline->accessibleDescription(),
                         headline->figureColour(), accessibleName(gauge)),
              std::tuple("72.4 ms", "Current latency of 127.0.0.2",
                         theme::latencyColour(LatencyColour::yellow), "72 ms"));
    // Limits low enough for the figure to set the gauge's scale: only its bands move.
    Preferences::instance().setValue(keys::latencyYellow, 52.0);
    Preferences::instance().setValue(keys::latencyYellow, 55.0);
    const auto* figure = window.findChild<TargetCard*>()->findChild<QLabel*>("latencyFigure");
    EXPECT_EQ(std::pair(gauge->reading().yellow, figure->palette().color(QPalette::WindowText)),
              std::pair(55.0, theme::red()));
    Preferences::instance().setValue(keys::latencyYellow, 150.0);
    window.setShowOverview(true);
    inspect(window, "overview");
    const auto* tile = window.findChild<TargetTile*>();
    ASSERT_TRUE(tile);
    EXPECT_EQ(accessibleName(const_cast<TargetTile*>(tile)), "127.0.0.2");
    EXPECT_EQ(tile->accessibleDescription(), "Host Ping, ok, 0% packet loss, 72 ms");
    EXPECT_EQ(window.findChild<TargetCard*>()->accessibleDescription(),
              tile->accessibleDescription());
    // A check without an answer yet is a warning; a target that is off is only that.
    EXPECT_EQ(accessibleSummary(*store.targets()[3]), "Service Check, warning, starting…");
    store.targets()[3]->setEnabled(false);
    EXPECT_EQ(accessibleSummary(*store.targets()[3]), "Service Check, monitoring off");
    window.setShowOverview(false);
    store.targets()[0]->monitors().front()->record(std::nullopt, dateNow());
    DialGauge& dial = *window.findChild<DialGauge*>();
    EXPECT_TRUE(test::spinUntil([&] { return accessibleName(&dial) == "DOWN"; })) << "a lost probe";
    EXPECT_EQ(test::PaintRecorder(dial).colourOf("DOWN"), theme::red());
    // A new 95th percentile alone, the figure as it was, rescales the gauge.
    store.targets()[0]->monitors().front()->record(72.4, dateNow());
    ASSERT_TRUE(test::spinUntil([&] { return dial.reading().value == 72.4; }));
    for (const double rtt : {400.0, 400.0, 72.4})
        store.targets()[0]->monitors().front()->record(rtt, dateNow());
    EXPECT_TRUE(test::spinUntil([&] { return dial.reading().gaugeMax == 1.15 * 400; }));

    TrayPopover popover(store, {});
    inspect(popover, "popover");
    EXPECT_EQ(popover.rows().at(1)->findChild<QLabel*>("trayFigure")->text(), "0/4 up") << "sweep";
    store.targets()[1]->setEnabled(false);
    window.select(store.targets()[1]->id());
    EXPECT_FALSE(window.findChild<QAbstractButton*>("rescanButton")->isEnabled()) << "off";
    AddTargetSheet sheet;
    for (const TargetKind kind : allTargetKinds) {
        sheet.findChild<FormSegmentedPicker*>("kindPicker")->segment(int(kind))->click();
        inspect(sheet, "sheet " + label(kind).toStdString());
    }
    PreferencesWindow preferences;
    inspect(preferences, "preferences");
    QApplication::setFont(before);
}

// A long IPv6 address is cut in its middle, keeping both ends in view, while its tooltip and
// accessible name keep it whole: on its card and in a hop row, whose figure has its band's colour.
TEST(Accessibility, ALongIPv6AddressIsCutInItsMiddleAndReadWholeInAWindowFitForASmallScreen) {
    const QString address = "2001:db8:aaaa:bbbb:cccc:dddd:eeee:ffff";
    const std::vector<TargetSpec> listed{{TargetKind::traceroute, address, {}, 24}};
    Preferences::instance().setValue(keys::targetsV2, *encodeTargetSpecs(listed));
    HostStore store;
    MainWindow window(store);
    window.show();
    test::spinFor(50ms);
    auto* name = window.findChild<ElidedLabel*>("cardName");
    const QString shown = name->shownText();
    EXPECT_TRUE(shown.startsWith("2001:db8:") && shown.contains(u'…') && shown.endsWith(":ffff"));
    EXPECT_EQ(std::pair(name->toolTip(), accessibleName(name)), std::pair(address, address));
    // The window's smallest size fits a 1280 × 720 screen with room for a title bar and a panel,
    // and its panes fit in it at the default font.
    const QSize least = window.minimumSize(), needed = window.layout()->totalMinimumSize();
    EXPECT_TRUE(least.width() <= 1280 && least.height() + 80 <= 720);
    EXPECT_TRUE(needed.width() <= least.width() && needed.height() <= least.height());
    HopRow row;
    row.setHop({1, address, "r1.lab", 72.4}, 100, {50, 150});
    EXPECT_EQ((QStringList{row.toolTip(), row.accessibleDescription(), accessibleName(&row)}),
              (QStringList{address + " (r1.lab)", "72 ms", "Hop 1, " + address + " (r1.lab)"}));
    const test::PaintRecorder drawn(row); // the name on a line of its own
    EXPECT_EQ(std::pair(drawn.colourOf("72 ms"), drawn.texts().contains("r1.lab")),
              std::pair(theme::latencyColour(LatencyColour::yellow), true));
    row.setHop({1, address, "r1.lab", 72.4}, 100, {50, 70}); // the same hop, a new yellow limit
    EXPECT_EQ(test::PaintRecorder(row).colourOf("72 ms"), theme::latencyColour(LatencyColour::red));
    row.setHop({1, address, "r1.lab", 72.4}, 100, {80, 70}); // and a new green one
    EXPECT_EQ(test::PaintRecorder(row).colourOf("72 ms"), theme::green());
    row.setHop({2}, 100, {80, 70}); // another hop, alone
    EXPECT_EQ(row.accessibleDescription(), "no answer");
    HopList hops; // and a path two hops shorter keeps none of their rows
    hops.setHops({{1}, {2}, {3}}, {50, 150});
    hops.setHops({{1}}, {50, 150});
    EXPECT_EQ(hops.rows().size(), 1u);
    QWidget box; // and a figure that gains a digit widens its place rather than being cut
    auto* figure = new HeadlineFigure(&box);
    (new QHBoxLayout(&box))->addWidget(figure);
    box.show();
    figure->setFigure("1234", {}, {}); // in the colour it had: only the figure changes
    EXPECT_TRUE(test::spinUntil([&] { return figure->width() >= figure->sizeHint().width(); }) &&
                figure->text() == "1234");
}

} // namespace
} // namespace vantorel
