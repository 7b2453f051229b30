#include "ui/tray/TrayExtra.h"

#include "targets/HostStore.h"
#include "ui/controls/Icons.h"
#include "ui/controls/Theme.h"
#include "ui/tray/TrayMenu.h"
#include "ui/tray/TrayPopover.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <algorithm>

namespace vantorel {

namespace {

// Trays ask for different sizes, and a host that receives pixmaps over D-Bus offers only the
// sizes an icon lists, so the drawing is rendered once per common tray size.
QIcon trayIcon(const QIcon& drawing) {
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(drawing.pixmap(QSize(side, side)));
    return icon;
}

// A click on the icon while the popover is open first closes the popover (it is a popup) and
// then activates the icon; within this time of closing, that activation must not reopen it.
constexpr qint64 kReopenGuardMs = 250;

TargetHealth worstHealth(const HostStore& store) {
    TargetHealth worst = TargetHealth::off;
    for (const auto& target : store.targets())
        worst = std::max(worst, target->health());
    return worst;
}

// Tells the tray when the popover closes, however it closes.
class HideWatcher : public QObject {
public:
    HideWatcher(QObject* parent, std::function<void()> hidden)
        : QObject(parent)
        , hidden_(std::move(hidden)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide)
            hidden_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> hidden_;
};

} // namespace

TrayExtra::TrayExtra(HostStore& store, std::function<void()> openMainWindow, QObject* parent)
    : QObject(parent)
    , store_(store)
    , openMainWindow_(std::move(openMainWindow))
    , icon_(this)
    , popover_(std::make_unique<TrayPopover>(store, openMainWindow_)) {
    popover_->installEventFilter(new HideWatcher(this, [this] { sinceHidden_.start(); }));
    if (!placesPopups()) {
        // The popover's content stays one click away, in the menu the desktop shows itself.
        menu_ = std::make_unique<TrayMenu>(store_, openMainWindow_);
        icon_.setContextMenu(menu_.get());
    }
    icon_.setToolTip(QStringLiteral("Vantorel"));
    connect(&icon_, &QSystemTrayIcon::activated, this, &TrayExtra::activated);
    connect(&store_, &HostStore::changed, this, &TrayExtra::refreshIcon);
    refreshIcon();
    icon_.show();
}

TrayExtra::~TrayExtra() = default;

bool TrayExtra::available() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool TrayExtra::placesPopups() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QMenu* TrayExtra::menu() const {
    return menu_.get();
}

QWidget* TrayExtra::popover() {
    return popover_.get();
}

QRect TrayExtra::iconGeometry() const {
    return icon_.geometry();
}

void TrayExtra::refreshIcon() {
    const bool warning = worstHealth(store_) == TargetHealth::down;
    if (iconSet_ && warning == warningShown_)
        return;
    warningShown_ = warning;
    iconSet_ = true;
    // Setting the icon sends it to the tray host, so it happens only when the state flips.
    icon_.setIcon(trayIcon(
        warning ? icons::symbol(QStringLiteral("exclamationmark.triangle.fill"), theme::red())
                : icons::image(QStringLiteral("MenuBarIcon"))));
}

void TrayExtra::activated(QSystemTrayIcon::ActivationReason reason) {
    if (!placesPopups()) {
        // Nothing can be put beside the icon: the window comes instead, and the menu (which the
        // desktop opens itself) holds what the popover would.
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            openMainWindow_();
        return;
    }
    // The popover is the icon's only menu, so a right click opens it too.
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
        togglePopover();
}

void TrayExtra::togglePopover() {
    if (popover_->isVisible()) {
        popover_->hide();
        sinceHidden_.invalidate();
        return;
    }
    if (sinceHidden_.isValid() && sinceHidden_.elapsed() < kReopenGuardMs)
        return;
    QRect anchor = icon_.geometry();
    if (anchor.isEmpty())
        anchor = QRect(QCursor::pos(), QSize(1, 1));
    popover_->showBeside(anchor);
}

} // namespace vantorel
