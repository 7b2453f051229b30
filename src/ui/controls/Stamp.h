#pragma once

#include <QCache>
#include <QImage>
#include <QPainter>

namespace vantorel {

// A small antialiased drawing made once at `size` and kept in `stamps` under `key`, for shapes
// painted many times a frame in a few looks (a tile's status dot, a sweep's cells): copying one
// costs a fraction of filling its curves anew each time.
template <typename Key, typename Draw>
const QImage& stamp(QCache<Key, QImage>& stamps, const Key& key, const QSizeF& size,
                    double pixelRatio, Draw&& draw) {
    if (const QImage* known = stamps.object(key))
        return *known;
    auto* image = new QImage((size * pixelRatio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image->setDevicePixelRatio(pixelRatio);
    image->fill(Qt::transparent);
    {
        QPainter painter(image);
        painter.setRenderHint(QPainter::Antialiasing);
        draw(painter);
    }
    stamps.insert(key, image);
    return *image;
}

} // namespace vantorel
