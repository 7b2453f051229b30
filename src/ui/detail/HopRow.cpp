#include "ui/detail/HopRow.h"

#include "settings/SettingRules.h"
#include "ui/controls/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace vantorel {

namespace {

constexpr int kVerticalPadding = 5;
constexpr int kSpacing = 10;
constexpr int kNumberWidth = 22;
constexpr int kFigureWidth = 54;
constexpr double kBarHeight = 10;
constexpr double kBarRadius = 4;
// The address column takes this share of what the number and the figure leave; the bar the rest.
constexpr double kAddressShare = 0.42;

QFont numberFont() {
    return theme::monospacedDigits(theme::TextStyle::caption, true);
}
QFont addressFont() {
    return theme::monospacedDigits(theme::TextStyle::callout);
}
QFont nameFont() {
    return theme::font(theme::TextStyle::caption2);
}
QFont figureFont() {
    QFont font = theme::monospacedDigits(theme::TextStyle::caption);
    font.setWeight(QFont::DemiBold);
    return font;
}

// The three bands scaled to `scale`, and over them the last latency (or the loss across the whole
// width).
void paintBar(QPainter& p, const QRectF& box, std::optional<double> last, double scale,
              const Thresholds& thresholds) {
    if (box.width() <= 0)
        return;
    QPainterPath shape;
    shape.addRoundedRect(box, kBarRadius, kBarRadius);
    p.save();
    p.setClipPath(shape);
    p.setPen(Qt::NoPen);
    const auto at = [&](double ms) {
        return box.left() + box.width() * std::clamp(ms / scale, 0.0, 1.0);
    };
    const double greenEnd = at(thresholds.green);
    const double yellowEnd = at(thresholds.yellow);
    p.fillRect(QRectF(QPointF(box.left(), box.top()), QPointF(greenEnd, box.bottom())),
               theme::withOpacity(theme::latencyColour(LatencyColour::green), 0.13));
    p.fillRect(QRectF(QPointF(greenEnd, box.top()), QPointF(yellowEnd, box.bottom())),
               theme::withOpacity(theme::latencyColour(LatencyColour::yellow), 0.13));
    p.fillRect(QRectF(QPointF(yellowEnd, box.top()), box.bottomRight()),
               theme::withOpacity(theme::latencyColour(LatencyColour::red), 0.11));

    if (last) {
        const QColor colour =
            theme::latencyColour(latencyColour(*last, thresholds.green, thresholds.yellow));
        const QRectF filled(box.topLeft(), QPointF(at(*last), box.bottom()));
        const double radius = std::min(kBarRadius, filled.width() / 2);
        QPainterPath bar;
        bar.addRoundedRect(filled, radius, radius);
        p.fillPath(bar, colour);
    } else {
        p.fillRect(box, theme::withOpacity(theme::latencyColour(LatencyColour::red), 0.35));
    }
    p.restore();
}

} // namespace

HopRow::HopRow(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("hopRow"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void HopRow::setHop(const HopStat& hop, double maxLatency, const Thresholds& thresholds) {
    const double scale = maxLatency > 0 ? maxLatency : 1;
    if (hop == hop_ && scale == maxLatency_ && thresholds.green == thresholds_.green &&
        thresholds.yellow == thresholds_.yellow)
        return;
    hop_ = hop;
    maxLatency_ = scale;
    thresholds_ = thresholds;
    setAccessibleName(QStringLiteral("Hop %1").arg(hop_.number));
    const QString node =
        hop_.hostname ? QStringLiteral("%1 (%2)").arg(hop_.host, *hop_.hostname) : hop_.host;
    setAccessibleDescription(hop_.last
                                 ? QStringLiteral("%1, %2 ms").arg(node).arg(*hop_.last, 0, 'f', 0)
                                 : QStringLiteral("%1, no answer").arg(node));
    update();
}

QSize HopRow::sizeHint() const {
    // Always room for the second line, so rows keep one height whether a name is known or not.
    const int text = QFontMetrics(addressFont()).height() + QFontMetrics(nameFont()).height();
    return {360, text + 2 * kVerticalPadding};
}

void HopRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0, kVerticalPadding, 0, -kVerticalPadding);
    const int numberWidth = theme::scaled(kNumberWidth);
    const int figureWidth = theme::scaled(kFigureWidth);
    const double flexible = std::max(0.0, area.width() - numberWidth - figureWidth - 3 * kSpacing);
    const double addressWidth = std::floor(flexible * kAddressShare);
    const double barWidth = flexible - addressWidth;

    double x = area.left();
    const QRectF numberBox(x, area.top(), numberWidth, area.height());
    x += numberWidth + kSpacing;
    const QRectF addressBox(x, area.top(), addressWidth, area.height());
    x += addressWidth + kSpacing;
    const QRectF barBox(x, area.center().y() - kBarHeight / 2, barWidth, kBarHeight);
    x += barWidth + kSpacing;
    const QRectF figureBox(x, area.top(), figureWidth, area.height());

    p.setFont(numberFont());
    p.setPen(theme::secondaryText());
    p.drawText(numberBox, Qt::AlignLeft | Qt::AlignVCenter, QString::number(hop_.number));

    const QFontMetrics addressMetrics(addressFont());
    const QFontMetrics nameMetrics(nameFont());
    const bool hasName = hop_.hostname && !hop_.hostname->isEmpty();
    const double textHeight = addressMetrics.height() + (hasName ? nameMetrics.height() : 0);
    const double textTop = addressBox.center().y() - textHeight / 2;
    p.setFont(addressFont());
    p.setPen(theme::primaryText());
    p.drawText(QRectF(addressBox.left(), textTop, addressBox.width(), addressMetrics.height()),
               Qt::AlignLeft | Qt::AlignVCenter,
               addressMetrics.elidedText(hop_.host, Qt::ElideRight, int(addressBox.width())));
    if (hasName) {
        p.setFont(nameFont());
        p.setPen(theme::secondaryText());
        p.drawText(QRectF(addressBox.left(), textTop + addressMetrics.height(), addressBox.width(),
                          nameMetrics.height()),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   nameMetrics.elidedText(*hop_.hostname, Qt::ElideRight, int(addressBox.width())));
    }

    paintBar(p, barBox, hop_.last, maxLatency_, thresholds_);

    const std::optional<double> last = hop_.last;
    p.setFont(figureFont());
    p.setPen(last
                 ? theme::latencyColour(latencyColour(*last, thresholds_.green, thresholds_.yellow))
                 : theme::secondaryText());
    p.drawText(figureBox, Qt::AlignRight | Qt::AlignVCenter,
               last ? QString::asprintf("%.0f ms", *last) : QStringLiteral("—"));
}

} // namespace vantorel
