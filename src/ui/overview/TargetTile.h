#pragma once

#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QUuid>
#include <QWidget>
#include <cstddef>
#include <memory>

class QPainter;
class QRectF;

namespace vantorel {

class Target;

// One target on the overview: a rounded card with its status dot, name, kind and latency, over a
// body drawn for its kind (recent pings, the hop list, the service's checks or the swept hosts).
// Repaints itself when its target changes what it shows, and only then: a target announces changes
// a tile does not draw (a status text, a probe under way), and an overview of many tiles would
// otherwise repaint them all every few moments. The header's text is laid out once per width and
// figure. Pressing the tile asks for the target to be opened.
class TargetTile : public QWidget {
    Q_OBJECT

public:
    // `units` is the tile's height in height units of the overview (traceroutes list more hops
    // on a taller tile).
    TargetTile(std::shared_ptr<Target> target, int units, QWidget* parent = nullptr);

    const std::shared_ptr<Target>& target() const { return target_; }
    int units() const { return units_; }
    void setUnits(int units);

Q_SIGNALS:
    void opened(const QUuid& id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The header's fonts, texts and places for one width and latency figure.
    struct HeaderLayout {
        QRectF header;
        QString figure; // empty without a latency
        QFont figureFont;
        QPointF figureAt;
        QFont nameFont;
        QString name; // elided to its room
        QPointF nameAt;
        bool badgeShown = false; // false when the badge gives way to the name
        QPointF badgeAt;
        // Neither depends on the width: set once, and again after a change of preferences or of
        // the screen's pixel ratio.
        QPixmap badge;
        QSizeF badgeSize;
        double fullNameWidth = 0;
    };

    void readThresholds();
    void targetChanged();
    // Keeps what a screen reader hears (kind, health, status, figure) up to date.
    void describe();
    // A digest of everything the tile draws from its target.
    std::size_t figures() const;
    void layOutHeader(const QRectF& header, const QString& figure, double pixelRatio);
    void paintHeader(QPainter& painter, const QRectF& header);
    void paintBody(QPainter& painter, const QRectF& body) const;

    std::shared_ptr<Target> target_;
    int units_;
    double greenMax_ = 0;
    double yellowMax_ = 0;
    bool hovering_ = false;
    bool pressed_ = false;
    std::size_t shownFigures_ = 0;
    HeaderLayout layout_;
};

} // namespace vantorel
