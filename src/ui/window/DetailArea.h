#pragma once

#include <QWidget>
#include <memory>

class QStackedLayout;

namespace vantorel {

class DashboardView;
class GraphPane;
class HostStore;
class MainWindowState;
class ResultsPane;
class Target;

// The right-hand side of the main window: the overview of all targets while the window state asks
// for it, otherwise the graph and results of the selected target, or of the placeholder target
// when nothing that exists is selected.
class DetailArea : public QWidget {
    Q_OBJECT

public:
    DetailArea(HostStore& store, MainWindowState& state, QWidget* parent = nullptr);

    // The target whose panes are shown when the overview is not.
    std::shared_ptr<Target> shownTarget() const { return shown_; }
    bool showsOverview() const;
    void applyTheme();

private:
    void follow();
    // New panes for a new target: their view state (the chart's position, the list's filters)
    // belongs to the target they were opened for.
    void rebuildPanes(std::shared_ptr<Target> target);

    HostStore& store_;
    MainWindowState& state_;
    QStackedLayout* pages_ = nullptr;
    QWidget* targetPage_ = nullptr;
    DashboardView* dashboard_ = nullptr;
    GraphPane* graph_ = nullptr;
    ResultsPane* results_ = nullptr;
    std::shared_ptr<Target> shown_;
};

} // namespace vantorel
