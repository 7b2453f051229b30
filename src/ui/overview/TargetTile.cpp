#include "ui/overview/TargetTile.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "targets/Target.h"
#include "ui/controls/FocusRing.h"
#include "ui/controls/Glass.h"
#include "ui/controls/KindBadge.h"
#include "ui/controls/ShapedText.h"
#include "ui/controls/Stamp.h"
#include "ui/controls/TargetStatus.h"
#include "ui/controls/Theme.h"
#include "ui/overview/TileBodies.h"

#include <QCache>
#include <QHashFunctions>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace vantorel {

namespace {

constexpr double kCornerRadius = 16;
constexpr double kPadding = 14;
constexpr double kHeaderHeight = 20;
constexpr double kHeaderGap = 10;
constexpr double kDotDiameter = 8;
constexpr double kGlowRadius = 4;
constexpr double kDotColumn = 16;
constexpr double kSpacing = 6;
// The name keeps at least this much room before the badge gives way to it.
constexpr double kMinNameWidth = 72;

constexpr double kDotOuterRadius = kDotDiameter / 2 + kGlowRadius;

// A dot and its halo, centred in a square of twice the outer radius.
void drawStatusDot(QPainter& p, const QColor& colour) {
    const QPointF middle(kDotOuterRadius, kDotOuterRadius);
    const double radius = kDotDiameter / 2;
    QColor glow = colour;
    glow.setAlphaF(0.7f);
    QColor clear = colour;
    clear.setAlphaF(0.0f);
    QRadialGradient halo(middle, kDotOuterRadius);
    halo.setColorAt(radius / kDotOuterRadius, glow);
    halo.setColorAt(1.0, clear);
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(middle, kDotOuterRadius, kDotOuterRadius);
    p.setBrush(colour);
    p.drawEllipse(middle, radius, radius);
}

// Every tile draws its dot on every paint, in one of a few colours: each colour's dot is drawn
// once and stamped, as a gradient-filled ellipse costs more than the rest of the header.
void paintStatusDot(QPainter& p, const QPointF& centre, const QColor& colour) {
    const double ratio = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    static QCache<QPair<QRgb, double>, QImage> stamps(16);
    const QSizeF size(2 * kDotOuterRadius, 2 * kDotOuterRadius);
    p.drawImage(centre - QPointF(kDotOuterRadius, kDotOuterRadius),
                stamp(stamps, qMakePair(colour.rgba(), ratio), size, ratio,
                      [&colour](QPainter& dot) { drawStatusDot(dot, colour); }));
}

} // namespace

TargetTile::TargetTile(std::shared_ptr<Target> target, int units, QWidget* parent)
    : QWidget(parent)
    , target_(std::move(target))
    , units_(units) {
    setObjectName(QStringLiteral("targetTile"));
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(target_->spec().displayName());
    setToolTip(QStringLiteral("Show %1").arg(target_->spec().displayName()));
    readThresholds();
    describe();
    shownFigures_ = figures();
    connect(target_.get(), &Target::changed, this, &TargetTile::targetChanged);
    connect(&Preferences::instance(), &Preferences::changed, this, [this](const QString& key) {
        if (key == keys::latencyGreen || key == keys::latencyYellow)
            readThresholds();
        // Any preference may change how text is set (appearance, sizes): lay it out again.
        layout_ = {};
        update();
    });
}

void TargetTile::targetChanged() {
    describe();
    const std::size_t now = figures();
    if (now == shownFigures_)
        return;
    shownFigures_ = now;
    update();
}

std::size_t TargetTile::figures() const {
    const Target& target = *target_;
    std::size_t seed = qHashMulti(0, int(target.health()), target.currentLatency().value_or(-1),
                                  target.isScanning());
    for (const auto& monitor : target.monitors()) {
        const auto& samples = monitor->samples();
        seed = qHashMulti(seed, samples.size(), samples.empty() ? 0 : samples.back().id,
                          monitor->httpStatus().value_or(0), monitor->alive().value_or(false),
                          monitor->alive().has_value(), monitor->latency().value_or(-1));
        for (const HopStat& hop : monitor->hopStats())
            seed = qHashMulti(seed, hop.number, hop.host, hop.hostname.value_or(QString()),
                              hop.last.value_or(-1));
    }
    return seed;
}

void TargetTile::describe() {
    if (const QString summary = accessibleSummary(*target_); summary != accessibleDescription())
        setAccessibleDescription(summary);
}

void TargetTile::setUnits(int units) {
    if (units == units_)
        return;
    units_ = units;
    update();
}

void TargetTile::readThresholds() {
    const Preferences& preferences = Preferences::instance();
    greenMax_ = preferences.doubleValue(keys::latencyGreen);
    yellowMax_ = preferences.doubleValue(keys::latencyYellow);
}

void TargetTile::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF area = rect();
    glass::paintCard(p, area, kCornerRadius, false);
    p.setRenderHint(QPainter::Antialiasing);
    if (hovering_ || hasFocus()) {
        QPainterPath shape;
        shape.addRoundedRect(area.adjusted(1, 1, -1, -1), kCornerRadius, kCornerRadius);
        p.fillPath(shape, QColor(255, 255, 255, theme::isDark() ? 13 : 46));
    }
    const QRectF content = area.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    const QRectF header(content.left(), content.top(), content.width(), kHeaderHeight);
    paintHeader(p, header);
    const double bodyTop = header.bottom() + kHeaderGap;
    paintBody(p, QRectF(content.left(), bodyTop, content.width(),
                        std::max(0.0, content.bottom() - bodyTop)));
    if (focus_ring::shown(*this))
        focus_ring::paint(p, area, kCornerRadius);
}

void TargetTile::layOutHeader(const QRectF& header, const QString& figure, double pixelRatio) {
    HeaderLayout& l = layout_;
    l.header = header;
    l.figure = figure;
    // Shaped text is drawn from the top of its line: each line is centred on the header.
    const auto centred = [&header](const QFont& font) {
        return header.top() + (header.height() - QFontMetricsF(font).height()) / 2;
    };
    double room = header.width() - kDotColumn;
    if (!figure.isEmpty()) {
        const QFont& figureFont = l.figureFont =
            theme::monospacedDigits(theme::TextStyle::callout, true);
        const double figureWidth = shaped_text::width(figureFont, figure);
        l.figureAt = QPointF(header.right() - figureWidth, centred(figureFont));
        room -= figureWidth + 2 * kSpacing;
    }

    // The name matters more than the kind: the badge gives way when both do not fit.
    const QFont& nameFont = l.nameFont = theme::font(theme::TextStyle::headline);
    const QString name = target_->spec().displayName();
    if (l.badge.isNull() || l.badge.devicePixelRatio() != pixelRatio) {
        // Painting the badge and measuring the name were a good part of laying out a row of
        // tiles anew for each step of a window's resize.
        l.fullNameWidth = QFontMetricsF(nameFont).horizontalAdvance(name);
        const QString kind = label(target_->spec().kind);
        l.badgeSize = KindBadge::badgeSize(kind);
        l.badge = QPixmap((l.badgeSize * pixelRatio).toSize());
        l.badge.setDevicePixelRatio(pixelRatio);
        l.badge.fill(Qt::transparent);
        QPainter painter(&l.badge);
        KindBadge::paint(painter, QRectF(QPointF(0, 0), l.badgeSize), kind);
    }
    const double nameRoomWithBadge = room - kSpacing - l.badgeSize.width();
    l.badgeShown = nameRoomWithBadge >= std::min(l.fullNameWidth, kMinNameWidth);
    const double nameWidth =
        std::max(0.0, std::min(l.fullNameWidth, l.badgeShown ? nameRoomWithBadge : room));

    l.name = shaped_text::elided(nameFont, name, Qt::ElideMiddle, nameWidth + 0.5);
    l.nameAt = QPointF(header.left() + kDotColumn, centred(nameFont));
    l.badgeAt = QPointF(l.nameAt.x() + nameWidth + kSpacing,
                        std::round(header.center().y() - l.badgeSize.height() / 2));
}

void TargetTile::paintHeader(QPainter& p, const QRectF& header) {
    const Target& target = *target_;
    const QPointF dotCentre(header.left() + kDotDiameter / 2 + 1, header.center().y());
    paintStatusDot(p, dotCentre, theme::healthColour(target.health()));

    const std::optional<double> latency = target.currentLatency();
    const QString figure = latency ? formatMilliseconds(*latency, 0) : QString();
    if (header != layout_.header || figure != layout_.figure)
        layOutHeader(header, figure, p.device() ? p.device()->devicePixelRatioF() : 1.0);
    const QColor primary = theme::primaryText();
    if (!figure.isEmpty()) {
        p.setFont(layout_.figureFont);
        p.setPen(target.health() == TargetHealth::down ? theme::red() : primary);
        shaped_text::drawAt(p, layout_.figureAt, figure);
    }
    p.setFont(layout_.nameFont);
    p.setPen(primary);
    shaped_text::drawAt(p, layout_.nameAt, layout_.name);
    if (layout_.badgeShown)
        p.drawPixmap(layout_.badgeAt, layout_.badge);
}

void TargetTile::paintBody(QPainter& p, const QRectF& body) const {
    const tile::Palette palette = tile::currentPalette(greenMax_, yellowMax_);
    // Bars and cells sit on whole points; smoothing their edges would only blur them.
    p.setRenderHint(QPainter::Antialiasing, false);
    switch (target_->spec().kind) {
    case TargetKind::hostPing:
        tile::paintHostPing(p, body, *target_, palette);
        break;
    case TargetKind::traceroute:
        tile::paintTraceroute(p, body, *target_, units_, palette);
        break;
    case TargetKind::serviceCheck:
        tile::paintServiceCheck(p, body, *target_, palette);
        break;
    case TargetKind::pingSweep:
        p.setRenderHint(QPainter::Antialiasing);
        tile::paintSweep(p, body, *target_, palette);
        break;
    }
}

void TargetTile::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    hovering_ = true;
    update();
}

void TargetTile::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    hovering_ = false;
    update();
}

void TargetTile::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void TargetTile::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        Q_EMIT opened(target_->id());
}

void TargetTile::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        Q_EMIT opened(target_->id());
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace vantorel
