#include "ui/controls/FormStyle.h"

#include "ui/controls/Theme.h"

namespace vantorel::form_style {

QColor windowBackground(bool dark) {
    return dark ? QColor(36, 36, 38) : QColor(236, 236, 240);
}

QColor groupFill(bool dark) {
    return dark ? QColor(255, 255, 255, 14) : QColor(255, 255, 255);
}
QColor groupEdge(bool dark) {
    return dark ? QColor(255, 255, 255, 22) : QColor(0, 0, 0, 26);
}
QColor separator(bool dark) {
    return dark ? QColor(255, 255, 255, 22) : QColor(0, 0, 0, 22);
}

QColor trackFill(bool dark) {
    return dark ? QColor(255, 255, 255, 26) : QColor(0, 0, 0, 20);
}
QColor selectedSegmentFill(bool dark) {
    return dark ? QColor(255, 255, 255, 64) : QColor(255, 255, 255);
}

QColor primaryText(bool dark) {
    return dark ? QColor(242, 242, 247) : QColor(28, 28, 30);
}
QColor secondaryText(bool dark) {
    return dark ? QColor(235, 235, 245, 150) : QColor(60, 60, 67, 165);
}

QColor warningText(bool dark) {
    return dark ? theme::orange() : QColor(201, 110, 0);
}
QColor successText(bool dark) {
    return dark ? theme::green() : QColor(30, 140, 60);
}

bool showsFocusRing(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::ShortcutFocusReason || reason == Qt::OtherFocusReason;
}

QPalette palette(bool dark) {
    const QColor window = windowBackground(dark);
    const QColor text = primaryText(dark);
    const QColor base = dark ? QColor(52, 52, 55) : QColor(255, 255, 255);
    const QColor button = dark ? QColor(64, 64, 68) : QColor(250, 250, 252);
    const QColor secondary = secondaryText(dark);

    QPalette palette;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Base, base);
        palette.setColor(group, QPalette::AlternateBase, window);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::Button, button);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::PlaceholderText, secondary);
        palette.setColor(group, QPalette::Highlight, theme::accent().darker(dark ? 160 : 110));
        palette.setColor(group, QPalette::HighlightedText, dark ? Qt::white : Qt::black);
        palette.setColor(group, QPalette::ToolTipBase, base);
        palette.setColor(group, QPalette::ToolTipText, text);
        palette.setColor(group, QPalette::Light, dark ? QColor(90, 90, 94) : Qt::white);
        palette.setColor(group, QPalette::Midlight,
                         dark ? QColor(74, 74, 78) : QColor(235, 235, 238));
        palette.setColor(group, QPalette::Mid, dark ? QColor(44, 44, 46) : QColor(190, 190, 196));
        palette.setColor(group, QPalette::Dark, dark ? QColor(20, 20, 22) : QColor(160, 160, 166));
        palette.setColor(group, QPalette::Shadow, QColor(0, 0, 0, dark ? 200 : 120));
    }
    QColor disabledText = text;
    disabledText.setAlphaF(0.4f);
    palette.setColor(QPalette::Disabled, QPalette::Window, window);
    palette.setColor(QPalette::Disabled, QPalette::Base, base);
    palette.setColor(QPalette::Disabled, QPalette::Button, button);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Text, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
    return palette;
}

} // namespace vantorel::form_style
