#pragma once

#include <QMenu>
#include <QUuid>
#include <functional>
#include <vector>

namespace vantorel {

class HostStore;

// The tray icon's menu where no popover can be placed beside the icon (Wayland): what the popover
// offers, as menu entries. One entry per target, checked while it is switched on, which switches
// it on and off; then "Open Vantorel", "Preferences…" and "Quit".
class TrayMenu : public QMenu {
    Q_OBJECT

public:
    TrayMenu(HostStore& store, std::function<void()> openMainWindow, QWidget* parent = nullptr);

    // The entries' texts, a target's followed by " [on]" while it is switched on.
    QStringList entries() const;

private:
    // Rebuilt only when the list or a switch changed: the desktop is sent the whole menu anew.
    void follow();
    void rebuild();

    HostStore& store_;
    std::function<void()> openMainWindow_;
    std::vector<std::pair<QUuid, bool>> shown_;
};

} // namespace vantorel
