#include "ui/controls/FocusRing.h"

#include "ui/controls/Theme.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPen>
#include <QWidget>
#include <cmath>
#include <map>
#include <tuple>

namespace vantorel::focus_ring {

namespace {

constexpr double kWidth = 2;

// Watches every key and button press of the application for which came last.
class InputWatcher : public QObject {
public:
    bool keyboard = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type == QEvent::KeyPress || type == QEvent::MouseButtonPress)
            setKeyboard(type == QEvent::KeyPress);
        return QObject::eventFilter(watched, event);
    }

private:
    void setKeyboard(bool on) {
        if (on == keyboard)
            return;
        keyboard = on;
        if (QWidget* focused = QApplication::focusWidget())
            focused->update();
    }
};

InputWatcher& watcher() {
    static auto* instance = [] {
        auto* created = new InputWatcher;
        created->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(created);
        return created;
    }();
    return *instance;
}

void stroke(QPainter& painter, const QRectF& rect, double radius) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(theme::accent(), kWidth));
    painter.setBrush(Qt::NoBrush);
    const double inset = kWidth / 2;
    painter.drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), radius, radius);
    painter.restore();
}

// The ring of a square `side` points wide, in pixels of `ratio`.
const QImage& sample(int side, double radius, double ratio) {
    static std::map<std::tuple<int, double, double, QRgb>, QImage> samples;
    const auto key = std::tuple(side, radius, ratio, theme::accent().rgba());
    if (const auto found = samples.find(key); found != samples.end())
        return found->second;
    // A few radii at a time are in use; a change of accent or screen leaves the old ones.
    if (samples.size() >= 32)
        samples.clear();
    QImage image(QSize(side, side) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    stroke(painter, QRectF(0, 0, side, side), radius);
    painter.end();
    return samples.emplace(key, std::move(image)).first->second;
}

} // namespace

bool shown(const QWidget& widget) {
    return widget.hasFocus() && watcher().keyboard;
}

// Only a ring's corners are drawn as curves, once, and kept; its sides are plain bars of whole
// pixels. Stroking the whole outline anew was a tenth of the results list's repaint for each
// sample it takes in.
void paint(QPainter& painter, const QRectF& rect, double radius) {
    const int corner = int(std::ceil(radius + kWidth)) + 1;
    const int side = 2 * corner + 1;
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QTransform& transform = painter.transform();
    // Whole pixels only: elsewhere the sides would be blended at their edges, and the pieces
    // would not meet exactly.
    if (transform.type() > QTransform::TxTranslate ||
        transform.dx() != std::round(transform.dx()) ||
        transform.dy() != std::round(transform.dy()) || ratio != std::round(ratio) ||
        rect != QRectF(rect.toRect()) || rect.width() < side || rect.height() < side) {
        stroke(painter, rect, radius);
        return;
    }
    const QImage& corners = sample(side, radius, ratio);
    const double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height(), c = corner;
    for (const QPointF& at :
         {QPointF(0, 0), QPointF(w - c, 0), QPointF(0, h - c), QPointF(w - c, h - c)}) {
        // Each corner from the same corner of the drawing.
        const QPointF from(at.x() > 0 ? c + 1 : 0, at.y() > 0 ? c + 1 : 0);
        painter.drawImage(QRectF(x + at.x(), y + at.y(), c, c), corners,
                          QRectF(from * ratio, QSizeF(c, c) * ratio));
    }
    const QColor accent = theme::accent();
    painter.fillRect(QRectF(x + c, y, w - 2 * c, kWidth), accent);
    painter.fillRect(QRectF(x + c, y + h - kWidth, w - 2 * c, kWidth), accent);
    painter.fillRect(QRectF(x, y + c, kWidth, h - 2 * c), accent);
    painter.fillRect(QRectF(x + w - kWidth, y + c, kWidth, h - 2 * c), accent);
}

void moveTo(QWidget& widget) {
    watcher().keyboard = true;
    widget.setFocus(Qt::TabFocusReason);
    widget.update();
}

} // namespace vantorel::focus_ring
