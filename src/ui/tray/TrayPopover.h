#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace vantorel {

class HostStore;
class TrayRow;

// The tray's popover: every target with its live figure and switch, then "Open Vantorel", a
// gear for the preferences and "Quit". A frameless popup, 300 wide, that closes when the user
// clicks elsewhere.
class TrayPopover : public QWidget {
    Q_OBJECT

public:
    TrayPopover(HostStore& store, std::function<void()> openMainWindow, QWidget* parent = nullptr);

    // Shows the popover beside `anchor` (global coordinates, usually the tray icon), below it
    // when the icon sits in the upper half of its screen and above it otherwise, kept on screen.
    void showBeside(const QRect& anchor);

    std::vector<TrayRow*> rows() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void storeChanged();
    void synchronise();
    void rebuildRows();
    void applyColours();
    void fitHeight();

    HostStore& store_;
    std::function<void()> openMainWindow_;
    QScrollArea* scroll_;
    QWidget* rowsHost_;
    QVBoxLayout* rowsLayout_;
    QLabel* noTargets_;
    QWidget* divider_;
    QPushButton* openButton_;
    QPushButton* preferencesButton_;
    QPushButton* quitButton_;
    // Set while hidden and something changed: a hidden popover does no work until it is shown.
    bool stale_ = true;
    std::optional<bool> coloursAreDark_;
};

} // namespace vantorel
