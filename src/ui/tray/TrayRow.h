#pragma once

#include <QUuid>
#include <QWidget>
#include <memory>

class QLabel;

namespace vantorel {

class ElidedLabel;
class StatusDot;
class Target;
class ToggleSwitch;

// One target in the tray popover: a dot in its health colour, its name above its kind, its
// figure and a switch that turns it on and off.
class TrayRow : public QWidget {
    Q_OBJECT

public:
    explicit TrayRow(const std::shared_ptr<Target>& target, QWidget* parent = nullptr);

    const QUuid& targetId() const { return targetId_; }

    // Reads the target afresh; rows are refreshed by the popover rather than by each target,
    // so that a hidden popover costs nothing.
    void refresh();

    // What the row shows on the right: "off", "3/12 up", "18 ms" or "…".
    static QString figure(const Target& target);

private:
    void switchFlipped(bool on);

    std::weak_ptr<Target> target_;
    const QUuid targetId_;
    StatusDot* dot_;
    ElidedLabel* name_;
    QLabel* kind_;
    QLabel* figure_;
    ToggleSwitch* switch_;
};

} // namespace vantorel
