#pragma once

#include <QPointer>
#include <QUuid>
#include <QWidget>
#include <optional>

namespace vantorel {

class AddTargetSheet;
class AuroraBackground;
class DetailArea;
class HostStore;
class MainWindowState;
class Sidebar;
class WindowNotices;
struct TargetSpec;

// The main window: the sidebar of targets beside the detail area, over the animated background.
// It owns only what it shows (selection, overview, the open add-target sheet); closing it
// destroys it while monitoring goes on.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(HostStore& store, QWidget* parent = nullptr);
    ~MainWindow() override;

    std::optional<QUuid> selection() const;
    void select(const QUuid& id);
    bool showsOverview() const;
    void setShowOverview(bool show);

    // Opens the add-target sheet, or raises the one already open.
    void showAddTarget();
    // Adds the target (or finds the equal one already there) and selects it.
    void addTarget(const TargetSpec& spec);
    // Removes the target, first clearing the selection if it names it, so nothing ever shows a
    // target that is already gone.
    void removeTarget(const QUuid& id);
    void removeSelected();

Q_SIGNALS:
    void selectionChanged();
    void overviewChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void installShortcuts();
    void applyTheme();
    // Tells the user, without stopping them, what of their targets and settings is not kept.
    void showStorageNotices();

    HostStore& store_;
    MainWindowState* state_ = nullptr;
    AuroraBackground* aurora_ = nullptr;
    Sidebar* sidebar_ = nullptr;
    DetailArea* detail_ = nullptr;
    WindowNotices* notices_ = nullptr;
    QPointer<AddTargetSheet> sheet_;
};

} // namespace vantorel
