#include "ui/controls/FocusRing.h"

#include "ui/controls/Theme.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPen>
#include <QWidget>

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

} // namespace

bool shown(const QWidget& widget) {
    return widget.hasFocus() && watcher().keyboard;
}

void paint(QPainter& painter, const QRectF& rect, double radius) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(theme::accent(), kWidth));
    painter.setBrush(Qt::NoBrush);
    const double inset = kWidth / 2;
    painter.drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), radius, radius);
    painter.restore();
}

void moveTo(QWidget& widget) {
    watcher().keyboard = true;
    widget.setFocus(Qt::TabFocusReason);
    widget.update();
}

} // namespace vantorel::focus_ring
