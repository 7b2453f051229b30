#pragma once

#include "support/QtPrinters.h"

#include <QPaintEngine>
#include <QPainter>
#include <QWidget>

namespace vantorel::test {

// What a widget paints as a person sees it, without fonts or antialiasing in the way: each text
// with its colour, and every colour filled, stroked or in an image drawn.
class PaintRecorder : public QPaintDevice, QPaintEngine {
public:
    explicit PaintRecorder(QWidget& widget)
        : QPaintEngine(AllFeatures)
        , size_(widget.size()) {
        widget.render(this, {}, {}, QWidget::DrawChildren);
    }
    QStringList texts() const { return texts_.keys(); }
    QColor colourOf(const QString& text) const { return texts_.value(text); }
    bool painted(const QColor& colour) const { return colours_.contains(premultiplied(colour)); }

private:
    QPaintEngine* paintEngine() const override { return const_cast<PaintRecorder*>(this); }
    int metric(PaintDeviceMetric m) const override {
        return m == PdmWidth                    ? size_.width()
               : m == PdmHeight                 ? size_.height()
               : m == PdmDevicePixelRatioScaled ? devicePixelRatioFScale()
                                                : 96; // the resolutions: nothing else is asked
    }
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return User; }
    void updateState(const QPaintEngineState&) override {}
    void drawTextItem(const QPointF&, const QTextItem& item) override {
        texts_.insert(item.text(), painter()->pen().color());
    }
    // Rectangles, lines and ellipses come here as polygons and paths.
    void drawPolygon(const QPointF*, int, PolygonDrawMode mode) override {
        const bool stroked = mode == PolylineMode || painter()->brush().style() == Qt::NoBrush;
        colours_.append(
            premultiplied(stroked ? painter()->pen().color() : painter()->brush().color()));
    }
    void drawPath(const QPainterPath&) override { drawPolygon(nullptr, 0, OddEvenMode); }
    void drawPixmap(const QRectF&, const QPixmap& pixmap, const QRectF&) override {
        const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
        colours_.append(QList<QRgb>(pixels, pixels + image.width() * image.height()));
    }

    // As a raster image holds it, rounded from 16 bits a channel.
    static QRgb premultiplied(const QColor& c) { return c.rgba64().premultiplied().toArgb32(); }

    const QSize size_;
    QMap<QString, QColor> texts_; // the last colour of each
    QList<QRgb> colours_;         // premultiplied
};

// How often a widget has been painted since this was made, or since `paints` was last reset.
struct PaintCounter : QObject {
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

} // namespace vantorel::test
