#include "ui/detail/SampleRowDelegate.h"

#include "ui/controls/Theme.h"
#include "ui/detail/SampleListModel.h"

#include <QPainter>
#include <algorithm>

namespace vantorel {

using namespace resultrows;

SampleRowDelegate::SampleRowDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
    , detailFont_(theme::monospacedDigits(theme::TextStyle::caption))
    , figureFont_(theme::monospacedDigits(theme::TextStyle::callout))
    , look_(Look::current()) {
    const int content = std::max(
        {kSymbolSize, QFontMetrics(detailFont_).height(), QFontMetrics(figureFont_).height()});
    rowHeight_ = content + 2 * kVerticalPadding;
}

QSize SampleRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {200, rowHeight_};
}

void SampleRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const QRect row = option.rect;
    const QRect content =
        row.adjusted(kHorizontalPadding, kVerticalPadding, -kHorizontalPadding, -kVerticalPadding);
    const bool lost = index.data(SampleListModel::lostRole).toBool();
    const QColor colour =
        lost ? look_.red : look_.colourFor(index.data(SampleListModel::rttRole).toDouble());

    painter->save();
    const double ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap symbol = symbolPixmap(lost ? QStringLiteral("xmark.circle.fill")
                                             : QStringLiteral("checkmark.circle.fill"),
                                        colour, kSymbolSize, ratio);
    const int symbolTop = content.top() + (content.height() - kSymbolSize) / 2;
    if (!symbol.isNull())
        painter->drawPixmap(content.left(), symbolTop, symbol);

    // The trailing figure first: the details give way to it when the row is narrow.
    const QString figure = index.data(Qt::DisplayRole).toString();
    const QFontMetrics figureMetrics(figureFont_);
    const int figureWidth = figureMetrics.horizontalAdvance(figure);
    painter->setFont(figureFont_);
    painter->setPen(lost ? look_.red : look_.primary);
    painter->drawText(content, Qt::AlignRight | Qt::AlignVCenter, figure);

    const QFontMetrics detailMetrics(detailFont_);
    painter->setFont(detailFont_);
    painter->setPen(look_.secondary);
    int x = content.left() + kSymbolSize + kGap;
    const int detailsEnd = content.right() - figureWidth - kGap;
    for (const int role : {int(SampleListModel::timeRole), int(SampleListModel::sequenceRole)}) {
        const int room = detailsEnd - x;
        if (room <= 0)
            break;
        const QString text =
            detailMetrics.elidedText(index.data(role).toString(), Qt::ElideRight, room);
        painter->drawText(QRect(x, content.top(), room, content.height()),
                          Qt::AlignLeft | Qt::AlignVCenter, text);
        x += detailMetrics.horizontalAdvance(text) + 2 * kGap;
    }

    paintDivider(*painter, row, look_);
    painter->restore();
}

} // namespace vantorel
