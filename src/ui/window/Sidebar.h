#pragma once

#include <QUuid>
#include <QWidget>
#include <vector>

class QPushButton;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

namespace vantorel {

class HostStore;
class MainWindowState;
class SidebarHeader;
class TargetCard;

// The left column of the main window, on a glass panel: the header (which toggles the overview),
// the gear for the preferences, one card per target in the store's order, and "Add Target".
// Selecting a card goes straight to the window state; adding, removing and the preferences are
// the window's to carry out, so they leave as signals.
class Sidebar : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 330;

    Sidebar(HostStore& store, MainWindowState& state, QWidget* parent = nullptr);

    const std::vector<TargetCard*>& cards() const { return cards_; }
    // Gives the keyboard to the card of that target, scrolled into view.
    void focusCard(const QUuid& id);
    // Redraws everything in the colours and thresholds now in force.
    void applyTheme();

Q_SIGNALS:
    void addTargetRequested();
    void preferencesRequested();
    void removeRequested(const QUuid& id);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* buildHeaderRow();
    QScrollArea* buildList();
    void syncCards();
    void updateCaption();
    void updateSelection();
    // Selects and focuses the card `step` places from `card`, if there is one.
    void stepFrom(TargetCard* card, int step);
    void styleButtons();

    HostStore& store_;
    MainWindowState& state_;
    SidebarHeader* header_ = nullptr;
    QToolButton* gear_ = nullptr;
    QPushButton* add_ = nullptr;
    QVBoxLayout* list_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    std::vector<TargetCard*> cards_;
};

} // namespace vantorel
