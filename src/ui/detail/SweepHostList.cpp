#include "ui/detail/SweepHostList.h"

#include "ui/detail/ResultRowStyle.h"
#include "ui/detail/SweepHostDelegate.h"
#include "ui/detail/SweepHostModel.h"

#include <QScrollBar>

namespace vantorel {

SweepHostList::SweepHostList(std::shared_ptr<Target> target, QWidget* parent)
    : QListView(parent) {
    setObjectName(QStringLiteral("sweepHostList"));
    setAccessibleName(QStringLiteral("Hosts"));
    resultrows::styleList(*this);
    setUniformItemSizes(true);
    delegate_ = new SweepHostDelegate(this);
    setItemDelegate(delegate_);
    model_ = new SweepHostModel(std::move(target), this);
    setModel(model_);
    verticalScrollBar()->setSingleStep(delegate_->rowHeight());
}

void SweepHostList::keepingPosition(const std::function<void()>& change) {
    // A reset of the model would send the list back to its top with every rescan.
    const int position = verticalScrollBar()->value();
    change();
    doItemsLayout();
    verticalScrollBar()->setValue(position);
}

void SweepHostList::refresh() {
    keepingPosition([this] { model_->refresh(); });
}

void SweepHostList::setFilter(bool showAlive, bool showDead) {
    keepingPosition([&] { model_->setFilter(showAlive, showDead); });
}

void SweepHostList::paintEvent(QPaintEvent* event) {
    delegate_->setLook(resultrows::Look::current());
    QListView::paintEvent(event);
}

} // namespace vantorel
