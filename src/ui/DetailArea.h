#pragma once

#include <QWidget>
#include <memory>

class QStackedLayout;

namespace vantorel {

class HostStore;
class MainWindowState;
class OverviewList;
class Target;
class TargetFrame;

// The right-hand side of the main window: the overview of all targets while the window state asks
// for it, otherwise the selected target, or the placeholder target when nothing that exists is
// selected.
class DetailArea : public QWidget {
    Q_OBJECT

public:
    DetailArea(HostStore& store, MainWindowState& state, QWidget* parent = nullptr);

    // The target framed when the overview is not shown.
    std::shared_ptr<Target> shownTarget() const;
    bool showsOverview() const;
    void applyTheme();

private:
    void follow();

    HostStore& store_;
    MainWindowState& state_;
    QStackedLayout* pages_ = nullptr;
    TargetFrame* frame_ = nullptr;
    OverviewList* overview_ = nullptr;
};

} // namespace vantorel
