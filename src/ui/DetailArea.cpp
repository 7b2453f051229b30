#include "ui/DetailArea.h"

#include "targets/HostStore.h"
#include "ui/MainWindowState.h"
#include "ui/OverviewList.h"
#include "ui/PlaceholderTarget.h"
#include "ui/TargetFrame.h"

#include <QStackedLayout>

namespace vantorel {

DetailArea::DetailArea(HostStore& store, MainWindowState& state, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , state_(state) {
    setObjectName(QStringLiteral("detailArea"));
    pages_ = new QStackedLayout(this);
    pages_->setContentsMargins(0, 0, 0, 0);
    frame_ = new TargetFrame(this);
    overview_ = new OverviewList(store_, this);
    pages_->addWidget(frame_);
    pages_->addWidget(overview_);

    connect(overview_, &OverviewList::targetChosen, &state_, &MainWindowState::select);
    connect(&state_, &MainWindowState::selectionChanged, this, &DetailArea::follow);
    connect(&state_, &MainWindowState::overviewChanged, this, &DetailArea::follow);
    // A selected target that is removed (or one that appears under a remembered id) changes what
    // is framed without the selection changing.
    connect(&store_, &HostStore::changed, this, &DetailArea::follow);
    follow();
}

std::shared_ptr<Target> DetailArea::shownTarget() const {
    return frame_->target();
}

bool DetailArea::showsOverview() const {
    return pages_->currentWidget() == overview_;
}

void DetailArea::follow() {
    std::shared_ptr<Target> target;
    if (const auto& selection = state_.selection())
        target = store_.target(*selection);
    frame_->setTarget(target ? target : placeholderTarget());
    pages_->setCurrentWidget(state_.showOverview() ? static_cast<QWidget*>(overview_) : frame_);
}

void DetailArea::applyTheme() {
    frame_->refresh();
    update();
}

} // namespace vantorel
