#pragma once

#include <QVariantAnimation>
#include <QWidget>
#include <memory>

class QHBoxLayout;
class QLabel;
class QToolButton;

namespace vantorel {

class ElidedLabel;
class KindBadge;
class StatusDot;
class Target;
class ToggleSwitch;

// One target in the sidebar: its status dot, name and kind, a second line saying how it is doing,
// the "Active" switch and its figure (latency, or hosts and how many are up). A click selects it;
// while the pointer is over it, or it has focus, a trash button offers to remove it. Its context
// menu removes it and chooses whether the target starts monitoring when Vantorel starts.
//
// With focus, Up and Down ask for the card above or below, Space flips the switch, Return selects
// and Delete (or "Remove" in its menu, also on the menu key) asks to remove it.
class TargetCard : public QWidget {
    Q_OBJECT

public:
    TargetCard(std::shared_ptr<Target> target, QWidget* parent = nullptr);

    const std::shared_ptr<Target>& target() const { return target_; }

    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    // The colour the dot shows.
    QColor statusColour() const;
    // Reads the target (and the colour settings) again.
    void refresh();

Q_SIGNALS:
    void selectRequested();
    void removeRequested();
    // -1 for the card above, 1 for the one below.
    void stepRequested(int step);
    // The context menu's "Start with Vantorel" was switched to `on`.
    void startWithVantorelRequested(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setHovering(bool hovering);
    void showRemoveButton();
    double hoverProgress() const;
    void placeBadge();
    QWidget* buildTextColumn();
    QWidget* buildTrailingColumn();

    std::shared_ptr<Target> target_;
    bool selected_ = false;
    bool hovering_ = false;
    bool pressed_ = false;
    QVariantAnimation hover_;

    StatusDot* dot_ = nullptr;
    QWidget* textColumn_ = nullptr;
    QHBoxLayout* firstLine_ = nullptr;
    QHBoxLayout* secondLine_ = nullptr;
    KindBadge* badge_ = nullptr;
    bool badgeOnFirstLine_ = true;
    ElidedLabel* name_ = nullptr;
    QLabel* status_ = nullptr;
    ToggleSwitch* switch_ = nullptr;
    QToolButton* remove_ = nullptr;
    QLabel* latency_ = nullptr;
    QLabel* hosts_ = nullptr;
    QLabel* up_ = nullptr;
};

} // namespace vantorel
