#include "ui/controls/AccessibleFigure.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace vantorel {

namespace {

constexpr const char* kMark = "vantorelAccessibleFigure";

QAccessibleInterface* figureInterface(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget || !widget->property(kMark).toBool())
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::StaticText);
}

} // namespace

void markAsAccessibleFigure(QWidget& widget) {
    static const bool installed = [] {
        QAccessible::installFactory(&figureInterface);
        return true;
    }();
    Q_UNUSED(installed);
    widget.setProperty(kMark, true);
}

} // namespace vantorel
