#pragma once

#include "ui/detail/ResultRowStyle.h"

#include <QFont>
#include <QStyledItemDelegate>

namespace vantorel {

// Paints one host of a sweep from the roles of SweepHostModel: a status dot, the host and its
// reverse name, the status word and the reply time.
class SweepHostDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit SweepHostDelegate(QObject* parent = nullptr);

    int rowHeight() const { return rowHeight_; }
    void setLook(const resultrows::Look& look) { look_ = look; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    QFont hostFont_;
    QFont nameFont_;
    QFont statusFont_;
    QFont replyFont_;
    int rowHeight_ = 0;
    resultrows::Look look_;
};

} // namespace vantorel
