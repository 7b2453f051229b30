#pragma once

#include "ui/detail/ResultRowStyle.h"

#include <QFont>
#include <QStyledItemDelegate>

namespace vantorel {

// Paints one row of the sample list from the roles of SampleListModel: the reply or loss symbol,
// the time, the sequence number and, at the trailing end, the round-trip time or "timeout".
class SampleRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit SampleRowDelegate(QObject* parent = nullptr);

    // Every row has this height.
    int rowHeight() const { return rowHeight_; }
    // Takes the colours in force; called once before each paint of the list.
    void setLook(const resultrows::Look& look) { look_ = look; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    QFont detailFont_;
    QFont figureFont_;
    int rowHeight_ = 0;
    resultrows::Look look_;
};

} // namespace vantorel
