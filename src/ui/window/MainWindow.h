#pragma once

#include <QPointer>
#include <QUuid>
#include <QWidget>
#include <memory>
#include <optional>

namespace vantorel {

class AddTargetSheet;
class AuroraBackground;
class DetailArea;
class HostStore;
class MainWindowState;
class RemovalNote;
class Sidebar;
class Target;
class WindowNotices;
struct TargetSpec;

// The main window: the sidebar of targets beside the detail area, over the animated background.
// It owns only what it shows (selection, overview, the open add-target sheet, the last removal
// while it can be undone); closing it destroys it while monitoring goes on.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMinimumWidth = 960;
    static constexpr int kMinimumHeight = 600;

    explicit MainWindow(HostStore& store, QWidget* parent = nullptr);
    ~MainWindow() override;

    std::optional<QUuid> selection() const;
    void select(const QUuid& id);
    bool showsOverview() const;
    void setShowOverview(bool show);

    // Opens the add-target sheet, or raises the one already open.
    void showAddTarget();
    // Adds the target (or finds the equal one already there), selects it and focuses its card.
    void addTarget(const TargetSpec& spec);
    // Removes the target, first clearing the selection if it names it, so nothing ever shows a
    // target that is already gone; a note offers to undo it for ten seconds.
    void removeTarget(const QUuid& id);
    // Puts the target the note names back where it was (Ctrl+Z, or the note's "Undo").
    void undoRemoval();
    // "Removed 198.51.100.7 — Undo" while the note shows, else empty.
    QString removalNote() const;

Q_SIGNALS:
    void selectionChanged();
    void overviewChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void installShortcuts();
    void applyTheme();
    void placeNote();
    // Tells the user, without stopping them, what of their targets and settings is not kept.
    void showStorageNotices();

    struct Removed {
        std::shared_ptr<Target> target;
        std::size_t index = 0;
        bool enabled = false;
        bool selected = false;
    };

    HostStore& store_;
    MainWindowState* state_ = nullptr;
    AuroraBackground* aurora_ = nullptr;
    Sidebar* sidebar_ = nullptr;
    DetailArea* detail_ = nullptr;
    RemovalNote* note_ = nullptr;
    std::optional<Removed> removed_;
    WindowNotices* notices_ = nullptr;
    QPointer<AddTargetSheet> sheet_;
};

} // namespace vantorel
