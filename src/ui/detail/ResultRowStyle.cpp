#include "ui/detail/ResultRowStyle.h"

#include "ui/controls/Icons.h"
#include "ui/controls/Theme.h"

#include <QAbstractItemView>
#include <QHash>
#include <QPainter>
#include <QScrollBar>

namespace vantorel::resultrows {

Look Look::current() {
    Look look;
    look.dark = theme::isDark();
    static_cast<theme::LatencyPalette&>(look) = theme::latencyPalette();
    look.primary = theme::primaryText();
    look.secondary = theme::secondaryText();
    look.gray = theme::gray();
    // White at 5 % separates rows on the dark glass; on the light glass white vanishes, so the
    // light scheme takes the same hairline in black.
    look.divider = look.dark ? QColor(255, 255, 255, 13) : QColor(0, 0, 0, 13);
    return look;
}

void paintDivider(QPainter& painter, const QRect& row, const Look& look) {
    painter.fillRect(QRect(row.left(), row.bottom(), row.width(), 1), look.divider);
}

QPixmap symbolPixmap(const QString& name, const QColor& colour, int size, double pixelRatio) {
    static QHash<QString, QPixmap> cache;
    const QString key = QStringLiteral("%1|%2|%3|%4")
                            .arg(name, colour.name(QColor::HexArgb))
                            .arg(size)
                            .arg(pixelRatio);
    const auto found = cache.constFind(key);
    if (found != cache.constEnd())
        return *found;
    // Only a handful of colours and sizes are ever asked for; the bound is a safeguard.
    if (cache.size() > 256)
        cache.clear();
    const QIcon icon = icons::symbol(name, colour);
    QPixmap pixmap;
    if (!icon.isNull()) {
        pixmap = QPixmap(QSize(size, size) * pixelRatio);
        pixmap.setDevicePixelRatio(pixelRatio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        icon.paint(&painter, QRect(0, 0, size, size));
    }
    cache.insert(key, pixmap);
    return pixmap;
}

void styleList(QAbstractItemView& list) {
    list.setFrameShape(QFrame::NoFrame);
    list.setAttribute(Qt::WA_TranslucentBackground);
    list.viewport()->setAutoFillBackground(false);
    list.setSelectionMode(QAbstractItemView::NoSelection);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.setFocusPolicy(Qt::NoFocus);
    list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list.setMouseTracking(false);
    list.setStyleSheet(QStringLiteral(
        "QAbstractItemView { background: transparent; border: none; }"
        "QScrollBar:vertical { background: transparent; width: 8px; margin: 2px 0 2px 0; }"
        "QScrollBar::handle:vertical { background: rgba(128,128,128,120); border-radius: 3px; "
        "min-height: 28px; margin: 0 1px 0 1px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
}

} // namespace vantorel::resultrows
