#include "ui/controls/PaneScrollArea.h"

namespace vantorel {

PaneScrollArea::PaneScrollArea(QWidget* parent)
    : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    // What it holds is read by pointer and by screen readers; it is no stop for Tab.
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral(
        "QScrollArea { background: transparent; border: none; }"
        "QScrollBar:vertical { background: transparent; width: 8px; margin: 2px 0 2px 0; }"
        "QScrollBar::handle:vertical { background: rgba(128,128,128,120); border-radius: 3px; "
        "min-height: 28px; margin: 0 1px 0 1px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
}

void PaneScrollArea::setContent(QWidget* content) {
    setWidget(content);
    content->setAutoFillBackground(false);
}

} // namespace vantorel
