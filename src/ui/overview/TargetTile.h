#pragma once

#include <QUuid>
#include <QWidget>
#include <memory>

class QPainter;
class QRectF;

namespace vantorel {

class Target;

// One target on the overview: a rounded card with its status dot, name, kind and latency, over a
// body drawn for its kind (recent pings, the hop list, the service's checks or the swept hosts).
// Repaints itself whenever its target changes; pressing it asks for the target to be opened.
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
    void readThresholds();
    // Keeps what a screen reader hears (kind, health, status, figure) up to date.
    void describe();
    void paintHeader(QPainter& painter, const QRectF& header) const;
    void paintBody(QPainter& painter, const QRectF& body) const;

    std::shared_ptr<Target> target_;
    int units_;
    double greenMax_ = 0;
    double yellowMax_ = 0;
    bool hovering_ = false;
    bool pressed_ = false;
};

} // namespace vantorel
