#include "ui/SymbolIcon.h"

#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QIconEngine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <numbers>

namespace vantorel {

namespace {

void drawGear(QPainter& p, const QRectF& r, const QColor& colour) {
    const QPointF centre = r.center();
    const double outer = r.width() * 0.46;
    const double inner = r.width() * 0.34;
    const int teeth = 8;
    QPainterPath body;
    for (int i = 0; i < teeth * 2; ++i) {
        // Each tooth is a flat-topped step between two radii.
        const double radius = (i % 2 == 0) ? outer : inner;
        const double a0 = (i - 0.5) * std::numbers::pi / teeth + 0.12 * (i % 2 == 0 ? 1 : -1);
        const double a1 = (i + 0.5) * std::numbers::pi / teeth - 0.12 * (i % 2 == 0 ? 1 : -1);
        const QPointF p0 = centre + QPointF(std::cos(a0), std::sin(a0)) * radius;
        const QPointF p1 = centre + QPointF(std::cos(a1), std::sin(a1)) * radius;
        if (i == 0)
            body.moveTo(p0);
        else
            body.lineTo(p0);
        body.lineTo(p1);
    }
    body.closeSubpath();
    body.addEllipse(centre, r.width() * 0.14, r.width() * 0.14);
    body.setFillRule(Qt::OddEvenFill);
    p.fillPath(body, colour);
}

void drawTrash(QPainter& p, const QRectF& r, const QColor& colour) {
    const double w = r.width();
    QPen pen(colour, w * 0.085, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const double left = r.left() + w * 0.24, right = r.right() - w * 0.24;
    const double top = r.top() + w * 0.3, bottom = r.bottom() - w * 0.1;
    QPainterPath can;
    can.moveTo(left, top);
    can.lineTo(left + w * 0.04, bottom);
    can.lineTo(right - w * 0.04, bottom);
    can.lineTo(right, top);
    p.drawPath(can);
    p.drawLine(QPointF(r.left() + w * 0.14, top), QPointF(r.right() - w * 0.14, top));
    p.drawLine(QPointF(r.left() + w * 0.4, r.top() + w * 0.16),
               QPointF(r.right() - w * 0.4, r.top() + w * 0.16));
    for (double x : {0.42, 0.58})
        p.drawLine(QPointF(r.left() + w * x, top + w * 0.14),
                   QPointF(r.left() + w * x, bottom - w * 0.12));
}

void drawPlus(QPainter& p, const QRectF& r, const QColor& colour) {
    const double w = r.width();
    p.setPen(QPen(colour, w * 0.13, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(r.center().x(), r.top() + w * 0.18),
               QPointF(r.center().x(), r.bottom() - w * 0.18));
    p.drawLine(QPointF(r.left() + w * 0.18, r.center().y()),
               QPointF(r.right() - w * 0.18, r.center().y()));
}

// A rounded tile in the accent colours with a pulse line across it: reads as "network monitor"
// until the real mark is bundled.
void drawAppMark(QPainter& p, const QRectF& r) {
    QLinearGradient fill(r.topLeft(), r.bottomRight());
    fill.setColorAt(0.0, QColor::fromRgbF(0.30f, 0.78f, 1.0f));
    fill.setColorAt(1.0, QColor::fromRgbF(0.30f, 0.28f, 0.85f));
    QPainterPath tile;
    tile.addRoundedRect(r, r.width() * 0.22, r.width() * 0.22);
    p.fillPath(tile, fill);
    const double w = r.width();
    QPainterPath pulse;
    pulse.moveTo(r.left() + w * 0.14, r.top() + w * 0.55);
    pulse.lineTo(r.left() + w * 0.36, r.top() + w * 0.55);
    pulse.lineTo(r.left() + w * 0.46, r.top() + w * 0.28);
    pulse.lineTo(r.left() + w * 0.58, r.top() + w * 0.74);
    pulse.lineTo(r.left() + w * 0.67, r.top() + w * 0.5);
    pulse.lineTo(r.left() + w * 0.86, r.top() + w * 0.5);
    p.setPen(QPen(Qt::white, w * 0.08, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(pulse);
}

class DrawnSymbolEngine : public QIconEngine {
public:
    DrawnSymbolEngine(QString name, QColor colour)
        : name_(std::move(name))
        , colour_(colour) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.4);
        const double side = std::min(rect.width(), rect.height());
        const QRectF square(rect.x() + (rect.width() - side) / 2.0,
                            rect.y() + (rect.height() - side) / 2.0, side, side);
        if (name_ == QLatin1String("gearshape"))
            drawGear(*painter, square, colour_);
        else if (name_ == QLatin1String("trash"))
            drawTrash(*painter, square, colour_);
        else if (name_ == QLatin1String("plus"))
            drawPlus(*painter, square, colour_);
        else if (name_ == QLatin1String("AppMark"))
            drawAppMark(*painter, square);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }
    QIconEngine* clone() const override { return new DrawnSymbolEngine(name_, colour_); }

private:
    QString name_;
    QColor colour_;
};

} // namespace

QIcon symbolIcon(const QString& name, const QColor& colour) {
    QIcon bundled = icons::symbol(name, colour);
    return bundled.isNull() ? QIcon(new DrawnSymbolEngine(name, colour)) : bundled;
}

QIcon appMarkIcon() {
    QIcon bundled = icons::image(QStringLiteral("AppMark"));
    return bundled.isNull() ? QIcon(new DrawnSymbolEngine(QStringLiteral("AppMark"), QColor()))
                            : bundled;
}

} // namespace vantorel
