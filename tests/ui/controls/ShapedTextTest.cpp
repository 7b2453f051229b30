// Text drawn from kept shapes must land on exactly the pixels the painter's own text drawing
// gives, wherever the shapes of another font or width were kept before.
#include "ui/controls/ShapedText.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <functional>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

QImage painted(const QFont& font, const std::function<void(QPainter&)>& draw) {
    QImage image(160, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(Qt::white);
    draw(p);
    return image;
}

TEST(ShapedText, DrawsWhatThePainterDrawsAlignedAndCutOffAtItsBox) {
    QFont large;
    large.setPixelSize(18);
    QFont small = large;
    small.setPixelSize(11);
    const QRectF wide(10, 5, 140, 30), narrow(30, 12, 24, 9);
    const QString text = QStringLiteral("→ 127 ms");
    for (const QFont& font : {small, large, small})
        for (const auto& [inBox, inAlignment] : {std::pair{wide, Qt::AlignRight | Qt::AlignVCenter},
                                                 {wide, Qt::AlignHCenter | Qt::AlignBottom},
                                                 {narrow, Qt::AlignLeft | Qt::AlignVCenter}}) {
            const QRectF box = inBox;
            const Qt::Alignment alignment = inAlignment;
            EXPECT_EQ(
                painted(font, [&](QPainter& p) { shaped_text::draw(p, box, alignment, text); }),
                painted(font, [&](QPainter& p) { p.drawText(box, alignment, text); }))
                << font.pixelSize() << " px, alignment " << alignment;
        }
    const QString name = QStringLiteral("router-7.core.example.net");
    for (const double width : {90.0, 60.0, 90.0})
        EXPECT_EQ(shaped_text::elided(large, name, Qt::ElideMiddle, width),
                  QFontMetricsF(large).elidedText(name, Qt::ElideMiddle, width));
}

} // namespace
} // namespace vantorel
