#include "ui/detail/SweepHostDelegate.h"

#include "ui/controls/FocusRing.h"
#include "ui/controls/Theme.h"
#include "ui/detail/SweepHostModel.h"

#include <QPainter>
#include <algorithm>

namespace vantorel {

using namespace resultrows;

namespace {
constexpr double kDotDiameter = 8;
// The status word and reply time line up in columns of these widths.
constexpr int kStatusWidth = 64;
constexpr int kReplyWidth = 64;
} // namespace

SweepHostDelegate::SweepHostDelegate(QObject* parent)
    : QStyledItemDelegate(parent)
    , hostFont_(theme::monospacedDigits(theme::TextStyle::callout))
    , nameFont_(theme::font(theme::TextStyle::caption))
    , statusFont_(theme::font(theme::TextStyle::caption))
    , replyFont_(theme::monospacedDigits(theme::TextStyle::caption))
    , look_(Look::current()) {
    rowHeight_ = QFontMetrics(hostFont_).height() + 2 * kVerticalPadding;
}

QSize SweepHostDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {200, rowHeight_};
}

void SweepHostDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const QRect row = option.rect;
    const QRect content =
        row.adjusted(kHorizontalPadding, kVerticalPadding, -kHorizontalPadding, -kVerticalPadding);
    const auto status = SweepHostModel::Status(index.data(SweepHostModel::statusRole).toInt());
    const QColor colour = status == SweepHostModel::Status::alive  ? look_.green
                          : status == SweepHostModel::Status::dead ? look_.red
                                                                   : look_.gray;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(colour);
    const QPointF dotCentre(content.left() + kDotDiameter / 2, content.center().y() + 0.5);
    painter->drawEllipse(dotCentre, kDotDiameter / 2, kDotDiameter / 2);

    // Trailing columns first; the host and its name take what is left.
    const int replyWidth = theme::scaled(kReplyWidth);
    const int statusWidth = theme::scaled(kStatusWidth);
    const QRect reply(content.right() + 1 - replyWidth, content.top(), replyWidth,
                      content.height());
    painter->setFont(replyFont_);
    painter->setPen(look_.secondary);
    painter->drawText(reply, Qt::AlignRight | Qt::AlignVCenter,
                      index.data(SweepHostModel::replyTextRole).toString());
    const QRect statusBox(reply.left() - kGap - statusWidth, content.top(), statusWidth,
                          content.height());
    painter->setFont(statusFont_);
    painter->setPen(status == SweepHostModel::Status::unknown ? look_.secondary : colour);
    painter->drawText(statusBox, Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(SweepHostModel::statusTextRole).toString());

    int x = content.left() + int(kDotDiameter) + kGap + 2;
    const int end = statusBox.left() - kGap;
    const QFontMetrics hostMetrics(hostFont_);
    const QString host = hostMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                Qt::ElideRight, std::max(0, end - x));
    painter->setFont(hostFont_);
    painter->setPen(look_.primary);
    painter->drawText(QRect(x, content.top(), std::max(0, end - x), content.height()),
                      Qt::AlignLeft | Qt::AlignVCenter, host);
    x += hostMetrics.horizontalAdvance(host) + kGap;
    const QString name = index.data(SweepHostModel::hostnameRole).toString();
    if (!name.isEmpty() && end - x > 0) {
        const QFontMetrics nameMetrics(nameFont_);
        painter->setFont(nameFont_);
        painter->setPen(look_.secondary);
        painter->drawText(QRect(x, content.top(), end - x, content.height()),
                          Qt::AlignLeft | Qt::AlignVCenter,
                          nameMetrics.elidedText(name, Qt::ElideRight, end - x));
    }

    painter->setRenderHint(QPainter::Antialiasing, false);
    paintDivider(*painter, row, look_);
    painter->restore();
    if ((option.state & QStyle::State_HasFocus) && option.widget &&
        focus_ring::shown(*option.widget))
        focus_ring::paint(*painter, row, 6);
}

} // namespace vantorel
