#include "ui/controls/ShapedText.h"

#include <QCache>
#include <QFontMetricsF>
#include <QHashFunctions>
#include <QPainter>
#include <QStaticText>

namespace vantorel::shaped_text {

namespace {

// Enough for every text of a full overview; the least recently drawn give way beyond it.
constexpr qsizetype kKeptTexts = 2048;

struct Key {
    QFont font;
    QString text;
    double width = 0;
    int mode = 0;
    bool operator==(const Key&) const = default;
};

size_t qHash(const Key& key, size_t seed) {
    return qHashMulti(seed, key.font, key.text, key.width, key.mode);
}

// Never destroyed: shapes and fonts hold font engines, which must not be released after the
// application has closed its fonts on the way out.
template <typename Value> QCache<Key, Value>& keptForever() {
    static auto* cache = new QCache<Key, Value>(kKeptTexts);
    return *cache;
}

struct Shape {
    QStaticText glyphs;
    QSizeF size;
};

const Shape& shape(const QFont& font, const QString& text) {
    QCache<Key, Shape>& shapes = keptForever<Shape>();
    Key key{font, text};
    if (const Shape* known = shapes.object(key))
        return *known;
    auto* made = new Shape;
    made->glyphs.setTextFormat(Qt::PlainText);
    made->glyphs.setText(text);
    made->glyphs.prepare(QTransform(), font);
    const QFontMetricsF metrics(font);
    made->size = QSizeF(metrics.horizontalAdvance(text), metrics.height());
    shapes.insert(std::move(key), made);
    return *made;
}

} // namespace

void draw(QPainter& painter, const QRectF& box, Qt::Alignment alignment, const QString& text) {
    const Shape& s = shape(painter.font(), text);
    double x = box.left();
    if (alignment & Qt::AlignRight)
        x = box.right() - s.size.width();
    else if (alignment & Qt::AlignHCenter)
        x = box.left() + (box.width() - s.size.width()) / 2;
    double y = box.top();
    if (alignment & Qt::AlignBottom)
        y = box.bottom() - s.size.height();
    else if (alignment & Qt::AlignVCenter)
        y = box.top() + (box.height() - s.size.height()) / 2;
    const QRectF bounds(QPointF(x, y), s.size);
    // As the painter's own text drawing does: what overflows its box is cut off at the box, so
    // that a long figure never runs into its neighbour.
    if (box.contains(bounds)) {
        painter.drawStaticText(bounds.topLeft(), s.glyphs);
        return;
    }
    painter.save();
    painter.setClipRect(box, Qt::IntersectClip);
    painter.drawStaticText(bounds.topLeft(), s.glyphs);
    painter.restore();
}

void drawAt(QPainter& painter, const QPointF& topLeft, const QString& text) {
    painter.drawStaticText(topLeft, shape(painter.font(), text).glyphs);
}

double width(const QFont& font, const QString& text) {
    return shape(font, text).size.width();
}

QString elided(const QFont& font, const QString& text, Qt::TextElideMode mode, double width) {
    QCache<Key, QString>& results = keptForever<QString>();
    Key key{font, text, width, int(mode)};
    if (const QString* known = results.object(key))
        return *known;
    auto* made = new QString(QFontMetricsF(font).elidedText(text, mode, width));
    const QString result = *made;
    results.insert(std::move(key), made);
    return result;
}

} // namespace vantorel::shaped_text
