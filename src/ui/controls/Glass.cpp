#include "ui/controls/Glass.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "ui/controls/Theme.h"

#include <QCache>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <algorithm>

namespace vantorel::glass {

namespace {
QPainterPath rounded(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

} // namespace

QColor material(double strength) {
    QColor fill(255, 255, 255);
    fill.setAlphaF(float((theme::isDark() ? 0.11 : 0.55) * strength));
    return fill;
}

bool enabled() {
    return Preferences::instance().boolValue(keys::glassEnabled);
}

namespace {

void drawPanel(QPainter& painter, const QRectF& rect, double radius) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = rounded(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius);
    painter.fillPath(path, material(1.0));
    if (enabled()) {
        // A soft highlight from the top edge and a bright rim: what reads as glass.
        QLinearGradient sheen(rect.topLeft(), rect.bottomLeft());
        sheen.setColorAt(0.0, QColor(255, 255, 255, theme::isDark() ? 28 : 70));
        sheen.setColorAt(0.35, QColor(255, 255, 255, 0));
        painter.fillPath(path, sheen);
        painter.setPen(QPen(QColor(255, 255, 255, theme::isDark() ? 60 : 150), 1.0));
    } else {
        painter.setPen(QPen(QColor(255, 255, 255, 31), 1.0));
    }
    painter.drawPath(path);
    painter.restore();
}

void drawCard(QPainter& painter, const QRectF& rect, double radius, bool selected) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath path = rounded(rect.adjusted(0.75, 0.75, -0.75, -0.75), radius);
    painter.fillPath(path, material(selected ? 1.0 : 0.5));
    QColor edge = selected ? theme::accent() : QColor(255, 255, 255);
    edge.setAlphaF(selected ? 0.8f : 0.08f);
    painter.setPen(QPen(edge, selected ? 1.5 : 1.0));
    painter.drawPath(path);
    painter.restore();
}

// Panels and cards look the same on every repaint, while the background under them moves: they
// are drawn once into a transparent layer and blended from there, which costs a fraction of
// filling and stroking rounded shapes anew for each frame of the background.
template <typename Draw>
void paintLayered(QPainter& painter, const QRectF& rect, const QString& look, Draw draw) {
    const QTransform& transform = painter.transform();
    if (transform.isScaling() || transform.isRotating() || rect.isEmpty()) {
        draw(painter, rect);
        return;
    }
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize size = rect.size().toSize();
    const QString key = QStringLiteral("%1|%2x%3|%4|%5|%6")
                            .arg(look)
                            .arg(size.width())
                            .arg(size.height())
                            .arg(ratio)
                            .arg(theme::isDark())
                            .arg(enabled());
    static QCache<QString, QImage> layers(24 * 1024); // cost in KiB
    const QImage* layer = layers.object(key);
    if (!layer) {
        auto* image = new QImage(size * ratio, QImage::Format_ARGB32_Premultiplied);
        image->setDevicePixelRatio(ratio);
        image->fill(Qt::transparent);
        {
            QPainter layerPainter(image);
            draw(layerPainter, QRectF(QPointF(0, 0), QSizeF(size)));
        }
        layers.insert(key, image, std::max<qsizetype>(1, image->sizeInBytes() / 1024));
        layer = layers.object(key);
        if (!layer) // larger than the whole cache
            return draw(painter, rect);
    }
    painter.drawImage(rect.topLeft(), *layer);
}

} // namespace

void paintPanel(QPainter& painter, const QRectF& rect, double radius) {
    paintLayered(painter, rect, QStringLiteral("panel|%1").arg(radius),
                 [radius](QPainter& p, const QRectF& r) { drawPanel(p, r, radius); });
}

void paintCard(QPainter& painter, const QRectF& rect, double radius, bool selected) {
    paintLayered(
        painter, rect, QStringLiteral("card|%1|%2").arg(radius).arg(selected),
        [radius, selected](QPainter& p, const QRectF& r) { drawCard(p, r, radius, selected); });
}

QString focusRingColour(bool onAccent) {
    // On an accent-filled button the accent itself would vanish: a deep ink takes its place.
    if (onAccent)
        return theme::isDark() ? QStringLiteral("#ffffff") : QStringLiteral("#0b1a2a");
    return theme::accent().name();
}

void styleButton(QPushButton& button, bool prominent) {
    const bool dark = theme::isDark();
    const QString text = prominent ? QStringLiteral("#0b1a2a")
                                   : (dark ? QStringLiteral("#f2f2f7") : QStringLiteral("#1c1c1e"));
    const QString fill = prominent ? theme::accent().name()
                                   : (dark ? QStringLiteral("rgba(255,255,255,30)")
                                           : QStringLiteral("rgba(255,255,255,150)"));
    const QString hover = prominent ? theme::accent().lighter(112).name()
                                    : (dark ? QStringLiteral("rgba(255,255,255,48)")
                                            : QStringLiteral("rgba(255,255,255,200)"));
    // A click leaves a button unfocused, as on the desktop, so the ring of :focus marks only
    // where the keyboard is.
    button.setFocusPolicy(Qt::TabFocus);
    button.setStyleSheet(
        QStringLiteral("QPushButton { color: %1; background: %2; border: 1px solid "
                       "rgba(255,255,255,%5); border-radius: 10px; padding: 6px "
                       "14px; font-weight: %4; }"
                       "QPushButton:hover { background: %3; }"
                       "QPushButton:focus { border: 2px solid %6; padding: 5px 13px; }"
                       "QPushButton:disabled { color: rgba(128,128,128,160); "
                       "background: rgba(128,128,128,40); }")
            .arg(text, fill, hover, prominent ? QStringLiteral("600") : QStringLiteral("400"))
            .arg(enabled() ? 90 : 30)
            .arg(focusRingColour(prominent)));
}

} // namespace vantorel::glass
