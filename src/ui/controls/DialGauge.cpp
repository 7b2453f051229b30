#include "ui/controls/DialGauge.h"

#include "settings/SettingRules.h"
#include "ui/controls/AccessibleFigure.h"
#include "ui/controls/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace vantorel {

namespace {

constexpr int kNeedleMilliseconds = 400;
// Thirty frames a second keep the ease smooth at half the repaints of the default sixty: the gauge
// sits over the translucent panel and background, which repaint with it.
constexpr int kNeedleFrameMilliseconds = 33;
constexpr double kLitOpacity = 0.85;
constexpr double kDimOpacity = 0.25;
// A smaller move is drawn at once: easing it would repaint the gauge two dozen times for a change
// nobody can see, once a second for as long as the pane is open.
constexpr double kMinEasedDegrees = 1.0;

// Qt counts arc angles counter-clockwise from three o'clock in sixteenths of a degree; the gauge
// counts degrees clockwise from the top.
int qtArcAngle(double degreesFromTop) {
    return int(std::lround((90.0 - degreesFromTop) * 16.0));
}

struct Band {
    double from = 0;
    double to = 0;
    gauge::Zone zone = gauge::Zone::none;
    LatencyColour colour = LatencyColour::green;
};

QFont boldFontOfSize(double pixels) {
    QFont font = theme::font(theme::TextStyle::body, true);
    font.setPixelSize(std::max(1, int(std::lround(pixels))));
    return font;
}

} // namespace

DialGauge::DialGauge(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("dialGauge"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    markAsAccessibleFigure(*this);
    setAccessibleDescription(QStringLiteral("Latency gauge"));
    setAccessibleName(QStringLiteral("—"));
    needleFrom_ = needleTo_ = gauge::angleForFraction(0);
    needle_.setDuration(kNeedleMilliseconds);
    needle_.setUpdateInterval(kNeedleFrameMilliseconds);
    needle_.setEasingCurve(QEasingCurve::OutCubic);
    connect(&needle_, &QTimeLine::valueChanged, this, [this] { update(); });
}

void DialGauge::setReading(const gauge::Reading& reading) {
    if (reading == reading_)
        return;
    reading_ = reading;
    const double target = gauge::angleForFraction(gauge::fraction(reading_));
    const double now = needleAngle();
    if (target != needleTo_) {
        const bool eased = std::abs(target - now) >= kMinEasedDegrees;
        needle_.stop();
        needleFrom_ = eased ? now : target;
        needleTo_ = target;
        if (eased)
            needle_.start();
    }
    // The figure at the centre, as read: "12 ms", "DOWN", "—".
    setAccessibleName(
        (gauge::centreLabel(reading_) + QLatin1Char(' ') + gauge::unitLabel(reading_)).trimmed());
    update();
}

double DialGauge::needleAngle() const {
    if (needle_.state() == QTimeLine::Running)
        return needleFrom_ + (needleTo_ - needleFrom_) * needle_.currentValue();
    return needleTo_;
}

void DialGauge::paintEvent(QPaintEvent*) {
    const double side = std::min(width(), height());
    if (side <= 0)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    const double lineWidth = kLineRatio * side;
    const double radius = (side - lineWidth) / 2.0 - 1.0;
    const QRectF arcBox(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);

    const gauge::BandEnds ends = gauge::bandEnds(reading_);
    const gauge::Zone lit = gauge::zone(reading_);
    const Band bands[] = {
        {0.0, ends.green, gauge::Zone::green, LatencyColour::green},
        {ends.green, ends.yellow, gauge::Zone::yellow, LatencyColour::yellow},
        {ends.yellow, 1.0, gauge::Zone::red, LatencyColour::red},
    };
    for (const Band& band : bands) {
        if (band.to <= band.from)
            continue;
        const double from = gauge::angleForFraction(band.from);
        const double to = gauge::angleForFraction(band.to);
        const QColor colour = theme::withOpacity(theme::latencyColour(band.colour),
                                                 band.zone == lit ? kLitOpacity : kDimOpacity);
        p.setPen(QPen(colour, lineWidth, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(arcBox, qtArcAngle(from), qtArcAngle(to) - qtArcAngle(from));
    }

    const double needleWidth = std::max(0.32 * lineWidth, 2.0);
    if (gauge::showsNeedle(reading_)) {
        const double needleLength = 0.34 * side;
        const QColor colour =
            reading_.isDown ? theme::red() : theme::withOpacity(theme::primaryText(), kLitOpacity);
        p.save();
        p.translate(centre);
        p.rotate(needleAngle());
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(-needleWidth / 2, -needleLength, needleWidth, needleLength),
                          needleWidth / 2, needleWidth / 2);
        p.drawEllipse(QPointF(0, 0), needleWidth, needleWidth);
        p.restore();
    }

    // The needle sweeps everything but the mouth of the arc, the quarter below the hub bounded
    // by its two end positions; the figure sits there, as high as the widest label allows, so
    // the needle never crosses it and it does not move as the value changes.
    QColor figureColour = theme::secondaryText();
    if (reading_.isDown)
        figureColour = theme::red();
    else if (reading_.value)
        figureColour =
            theme::latencyColour(latencyColour(*reading_.value, reading_.green, reading_.yellow));
    const QFont figureFont = boldFontOfSize(0.14 * side);
    const QFont unitFont = [&] {
        QFont font = theme::font(theme::TextStyle::body);
        font.setPixelSize(std::max(1, int(std::lround(0.055 * side))));
        return font;
    }();
    const QFontMetricsF figureMetrics(figureFont);
    const QFontMetricsF unitMetrics(unitFont);
    const double widest = figureMetrics.horizontalAdvance(QStringLiteral("DOWN"));
    const double lowest = centre.y() + side / 2 - figureMetrics.height() - unitMetrics.height();
    const double top = std::min(centre.y() + widest / 2 + needleWidth, lowest);
    const QRectF figureBox(centre.x() - side / 2, top, side, figureMetrics.height());
    const QRectF unitBox(centre.x() - side / 2, figureBox.bottom() - figureMetrics.descent() / 2,
                         side, unitMetrics.height());
    p.setFont(figureFont);
    p.setPen(figureColour);
    p.drawText(figureBox, Qt::AlignHCenter | Qt::AlignTop, gauge::centreLabel(reading_));
    p.setFont(unitFont);
    p.setPen(theme::secondaryText());
    p.drawText(unitBox, Qt::AlignHCenter | Qt::AlignTop, gauge::unitLabel(reading_));
}

} // namespace vantorel
