#include "ui/controls/Icons.h"

#include <QFile>
#include <QIconEngine>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// Resources of a static library are registered only when asked for; doing it here, at the first
// icon, spares every executable that uses the views from having to know.
static void registerIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace vantorel::icons {

namespace {

QByteArray svgSource(const QString& name) {
    static const bool registered = (registerIconResources(), true);
    (void)registered;
    QFile file(QStringLiteral(":/icons/%1.svg").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Renders the SVG afresh at every size asked for, so icons stay sharp at any scale.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(QByteArray source)
        : source_(std::move(source)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        QSvgRenderer renderer(source_);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.4);
        renderer.render(painter, rect);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }
    QIconEngine* clone() const override { return new SvgIconEngine(source_); }

private:
    QByteArray source_;
};

} // namespace

QIcon symbol(const QString& name, const QColor& colour) {
    QByteArray source = svgSource(name);
    if (source.isEmpty())
        return {};
    source.replace("currentColor", colour.name(QColor::HexRgb).toLatin1());
    if (colour.alphaF() < 1.0)
        source.replace("<svg ",
                       QStringLiteral("<svg opacity=\"%1\" ").arg(colour.alphaF()).toLatin1());
    return QIcon(new SvgIconEngine(source));
}

QIcon image(const QString& name) {
    const QByteArray source = svgSource(name);
    return source.isEmpty() ? QIcon() : QIcon(new SvgIconEngine(source));
}

} // namespace vantorel::icons
