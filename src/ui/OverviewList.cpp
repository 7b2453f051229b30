#include "ui/OverviewList.h"

#include "targets/HostStore.h"
#include "ui/Glass.h"
#include "ui/TargetStatus.h"
#include "ui/Theme.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace vantorel {

namespace {
constexpr double kPanelRadius = 28;
constexpr double kMargin = 28;
constexpr double kHeaderHeight = 74;
constexpr double kRowHeight = 58;
constexpr double kRowSpacing = 8;
} // namespace

OverviewList::OverviewList(HostStore& store, QWidget* parent)
    : QWidget(parent)
    , store_(store) {
    setObjectName(QStringLiteral("overviewList"));
    setAccessibleName(QStringLiteral("Overview"));
    setMouseTracking(true);
    connect(&store_, &HostStore::changed, this, qOverload<>(&QWidget::update));
}

std::vector<std::shared_ptr<Target>> OverviewList::rows() const {
    std::vector<std::shared_ptr<Target>> active;
    std::copy_if(store_.targets().begin(), store_.targets().end(), std::back_inserter(active),
                 [](const auto& target) { return target->enabled(); });
    return active;
}

QRectF OverviewList::rowRect(int index) const {
    return {kMargin, kMargin + kHeaderHeight + index * (kRowHeight + kRowSpacing),
            width() - 2 * kMargin, kRowHeight};
}

int OverviewList::rowAt(const QPointF& position) const {
    const int count = int(rows().size());
    for (int i = 0; i < count; ++i)
        if (rowRect(i).contains(position))
            return i;
    return -1;
}

void OverviewList::paintEvent(QPaintEvent*) {
    QPainter p(this);
    glass::paintPanel(p, rect(), kPanelRadius);
    p.setRenderHint(QPainter::Antialiasing);

    const auto& all = store_.targets();
    const auto listed = rows();
    p.setPen(theme::primaryText());
    p.setFont(theme::font(theme::TextStyle::largeTitle, true));
    p.drawText(QRectF(kMargin, kMargin, width() - 2 * kMargin, 34),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Overview"));
    p.setPen(theme::secondaryText());
    p.setFont(theme::font(theme::TextStyle::callout));
    p.drawText(QRectF(kMargin, kMargin + 38, width() - 2 * kMargin, 20),
               Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("%1 targets · %2 active").arg(all.size()).arg(listed.size()));

    if (listed.empty()) {
        p.setFont(theme::font(theme::TextStyle::body));
        p.drawText(
            rect().adjusted(int(kMargin), int(kMargin + kHeaderHeight), -int(kMargin),
                            -int(kMargin)),
            Qt::AlignCenter,
            QStringLiteral("No active targets.\nSwitch one on in the sidebar to see it here."));
        return;
    }

    p.save();
    p.setClipRect(
        QRectF(0, kMargin + kHeaderHeight - 2, width(), height() - kHeaderHeight - kMargin));
    for (int i = 0; i < int(listed.size()); ++i) {
        const Target& target = *listed[std::size_t(i)];
        const QRectF row = rowRect(i);
        if (row.top() > height())
            break;
        glass::paintCard(p, row, 16, false);
        if (i == hovered_) {
            QPainterPath shape;
            shape.addRoundedRect(row.adjusted(1, 1, -1, -1), 16, 16);
            p.fillPath(shape,
                       theme::isDark() ? QColor(255, 255, 255, 14) : QColor(255, 255, 255, 60));
        }
        const QColor colour = statusColour(target);
        const QPointF dotCentre(row.left() + 22, row.center().y());
        p.setPen(Qt::NoPen);
        QColor halo = colour;
        halo.setAlphaF(0.22f);
        p.setBrush(halo);
        p.drawEllipse(dotCentre, 8, 8);
        p.setBrush(colour);
        p.drawEllipse(dotCentre, 5, 5);

        const double textLeft = row.left() + 42;
        const double figureWidth = 120;
        const double textWidth = row.width() - (textLeft - row.left()) - figureWidth - 16;
        p.setPen(theme::primaryText());
        p.setFont(theme::font(theme::TextStyle::headline));
        const QString name =
            p.fontMetrics().elidedText(target.spec().displayName(), Qt::ElideRight, int(textWidth));
        p.drawText(QRectF(textLeft, row.top() + 9, textWidth, 20), Qt::AlignLeft | Qt::AlignVCenter,
                   name);
        p.setPen(theme::secondaryText());
        p.setFont(theme::font(theme::TextStyle::caption));
        p.drawText(QRectF(textLeft, row.top() + 30, textWidth, 18),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   label(target.spec().kind) + QStringLiteral(" · ") + statusLine(target));

        const QRectF figure(row.right() - figureWidth - 16, row.top(), figureWidth, row.height());
        if (target.spec().kind == TargetKind::pingSweep) {
            p.setPen(theme::green());
            p.setFont(theme::monospacedDigits(theme::TextStyle::title3, true));
            p.drawText(figure, Qt::AlignRight | Qt::AlignVCenter,
                       QStringLiteral("%1/%2 up")
                           .arg(aliveHostCount(target))
                           .arg(target.monitors().size()));
        } else if (const auto latency = latencyFigure(target)) {
            p.setPen(colour);
            p.setFont(theme::monospacedDigits(theme::TextStyle::title3, true));
            p.drawText(figure, Qt::AlignRight | Qt::AlignVCenter, *latency);
        }
    }
    p.restore();
}

void OverviewList::mouseMoveEvent(QMouseEvent* event) {
    const int row = rowAt(event->position());
    if (row != hovered_) {
        hovered_ = row;
        setCursor(row >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
        update();
    }
}

void OverviewList::leaveEvent(QEvent*) {
    if (hovered_ != -1) {
        hovered_ = -1;
        update();
    }
}

void OverviewList::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int row = rowAt(event->position());
    const auto listed = rows();
    if (row >= 0 && row < int(listed.size()))
        Q_EMIT targetChosen(listed[std::size_t(row)]->id());
}

} // namespace vantorel
