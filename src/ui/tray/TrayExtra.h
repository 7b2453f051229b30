#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

class QMenu;
class QWidget;

namespace vantorel {

class HostStore;
class TrayMenu;
class TrayPopover;

// The icon in the desktop's tray: the application's mark while all is well, a warning sign while
// any target is down. Activating it opens (or closes) the popover with every target; where the
// platform cannot place a window beside the icon (Wayland), it opens the main window instead and
// the icon's menu offers what the popover would. Lives as long as the process, independently of
// the main window.
class TrayExtra : public QObject {
    Q_OBJECT

public:
    TrayExtra(HostStore& store, std::function<void()> openMainWindow, QObject* parent = nullptr);
    ~TrayExtra() override;

    // Whether the icon shows the warning sign.
    bool warningShown() const { return warningShown_; }
    QWidget* popover();
    // Where the icon is on screen; empty where the desktop does not tell.
    QRect iconGeometry() const;
    // Opens the popover beside the icon (beside the pointer where the icon's place is unknown),
    // or closes it when it is open.
    void togglePopover();

    // Whether the desktop offers a tray at all.
    static bool available();
    // Whether a popover can be placed beside the icon: not on Wayland, where a client cannot
    // place its windows and the tray protocol gives no icon geometry.
    static bool placesPopups();
    // The icon's menu, where popovers cannot be placed; else null.
    QMenu* menu() const;

private:
    void refreshIcon();
    void activated(QSystemTrayIcon::ActivationReason reason);

    HostStore& store_;
    std::function<void()> openMainWindow_;
    QSystemTrayIcon icon_;
    std::unique_ptr<TrayPopover> popover_;
    std::unique_ptr<TrayMenu> menu_;
    bool warningShown_ = false;
    bool iconSet_ = false;
    QElapsedTimer sinceHidden_;
};

} // namespace vantorel
