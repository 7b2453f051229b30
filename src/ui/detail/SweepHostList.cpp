#include "ui/detail/SweepHostList.h"

#include "ui/detail/ResultRowStyle.h"
#include "ui/detail/SweepHostDelegate.h"
#include "ui/detail/SweepHostModel.h"

#include <QScrollBar>
#include <algorithm>

namespace vantorel {

SweepHostList::SweepHostList(std::shared_ptr<Target> target, QWidget* parent)
    : QListView(parent) {
    setObjectName(QStringLiteral("sweepHostList"));
    setAccessibleName(QStringLiteral("Hosts"));
    resultrows::styleList(*this);
    setUniformItemSizes(true);
    // Tab reaches the list and the arrows walk its rows, each read with its host, state and reply.
    setFocusPolicy(Qt::StrongFocus);
    delegate_ = new SweepHostDelegate(this);
    setItemDelegate(delegate_);
    model_ = new SweepHostModel(std::move(target), this);
    setModel(model_);
    verticalScrollBar()->setSingleStep(delegate_->rowHeight());
}

void SweepHostList::keepingPosition(const std::function<void()>& change) {
    // A reset of the model would send the list back to its top with every rescan, and take the
    // keyboard's row away.
    const int position = verticalScrollBar()->value();
    const int row = currentIndex().row();
    const QVariant host = currentIndex().data();
    change();
    doItemsLayout();
    if (row >= 0 && model_->rowCount() > 0) {
        // The same host where it is still listed, else whichever row is now in its place.
        const QModelIndexList same =
            model_->match(model_->index(0), Qt::DisplayRole, host, 1, Qt::MatchExactly);
        const QModelIndex kept =
            same.isEmpty() ? model_->index(std::min(row, model_->rowCount() - 1)) : same.first();
        selectionModel()->setCurrentIndex(kept, QItemSelectionModel::NoUpdate);
    }
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
