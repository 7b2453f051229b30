#include "ui/window/DetailArea.h"

#include "targets/HostStore.h"
#include "ui/detail/GraphPane.h"
#include "ui/detail/ResultsPane.h"
#include "ui/overview/DashboardView.h"
#include "ui/window/MainWindowState.h"
#include "ui/window/PlaceholderTarget.h"

#include <QStackedLayout>
#include <QVBoxLayout>

namespace vantorel {

namespace {

constexpr int kPaneSpacing = 16;
// The chart gets the larger share of the height; the list scrolls in what is left.
constexpr int kGraphStretch = 3;
constexpr int kResultsStretch = 2;

} // namespace

DetailArea::DetailArea(HostStore& store, MainWindowState& state, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , state_(state) {
    setObjectName(QStringLiteral("detailArea"));
    pages_ = new QStackedLayout(this);
    pages_->setContentsMargins(0, 0, 0, 0);
    targetPage_ = new QWidget(this);
    auto* panes = new QVBoxLayout(targetPage_);
    panes->setContentsMargins(0, 0, 0, 0);
    panes->setSpacing(kPaneSpacing);
    dashboard_ = new DashboardView(store_, this);
    pages_->addWidget(targetPage_);
    pages_->addWidget(dashboard_);

    connect(dashboard_, &DashboardView::targetChosen, &state_, &MainWindowState::select);
    connect(&state_, &MainWindowState::selectionChanged, this, &DetailArea::follow);
    connect(&state_, &MainWindowState::overviewChanged, this, &DetailArea::follow);
    // A selected target that is removed (or one that appears under a remembered id) changes what
    // is shown without the selection changing.
    connect(&store_, &HostStore::changed, this, &DetailArea::follow);
    follow();
}

bool DetailArea::showsOverview() const {
    return pages_->currentWidget() == dashboard_;
}

void DetailArea::follow() {
    std::shared_ptr<Target> target;
    if (const auto& selection = state_.selection())
        target = store_.target(*selection);
    if (!target)
        target = placeholderTarget();
    // The store announces every change of every target: only a different target means new panes.
    if (target != shown_)
        rebuildPanes(std::move(target));
    pages_->setCurrentWidget(state_.showOverview() ? static_cast<QWidget*>(dashboard_)
                                                   : targetPage_);
}

void DetailArea::rebuildPanes(std::shared_ptr<Target> target) {
    shown_ = std::move(target);
    auto* panes = static_cast<QVBoxLayout*>(targetPage_->layout());
    // Deleted now rather than later: the old panes observe a target that may be on its way out.
    delete graph_;
    delete results_;
    graph_ = new GraphPane(shown_, targetPage_);
    results_ = new ResultsPane(shown_, targetPage_);
    panes->addWidget(graph_, kGraphStretch);
    panes->addWidget(results_, kResultsStretch);
}

void DetailArea::applyTheme() {
    // The overview and the results read the scheme when they paint or follow it themselves; the
    // graph pane's buttons and labels need telling.
    graph_->applyTheme();
    update();
}

} // namespace vantorel
