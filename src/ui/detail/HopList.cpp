#include "ui/detail/HopList.h"

#include "ui/detail/HopRow.h"

#include <QVBoxLayout>
#include <algorithm>

namespace vantorel {

HopList::HopList(QWidget* parent)
    : PaneScrollArea(parent) {
    setObjectName(QStringLiteral("hopList"));
    setAccessibleName(QStringLiteral("Hops"));
    content_ = new QWidget;
    column_ = new QVBoxLayout(content_);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(2);
    column_->addStretch(1);
    setContent(content_);
}

void HopList::setHops(const std::vector<HopStat>& hops, const Thresholds& thresholds) {
    double largest = 0;
    for (const HopStat& hop : hops)
        if (hop.last)
            largest = std::max(largest, *hop.last);
    const double scale = hopBarScale(thresholds, largest);

    while (rows_.size() > hops.size()) {
        delete rows_.back();
        rows_.pop_back();
    }
    while (rows_.size() < hops.size()) {
        auto* row = new HopRow(content_);
        row->setObjectName(QStringLiteral("hopRow"));
        // Before the stretch that keeps the rows at the top.
        column_->insertWidget(int(rows_.size()), row);
        rows_.push_back(row);
    }
    for (std::size_t i = 0; i < hops.size(); ++i)
        rows_[i]->setHop(hops[i], scale, thresholds);
}

} // namespace vantorel
