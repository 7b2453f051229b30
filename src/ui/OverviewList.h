#pragma once

#include <QUuid>
#include <QWidget>
#include <memory>
#include <vector>

namespace vantorel {

class HostStore;
class Target;

// The overview of all targets on a glass panel: one row per switched-on target with its status,
// kind and figure. Clicking a row asks for that target to be shown.
class OverviewList : public QWidget {
    Q_OBJECT

public:
    explicit OverviewList(HostStore& store, QWidget* parent = nullptr);

    // The targets listed, in the store's order.
    std::vector<std::shared_ptr<Target>> rows() const;

Q_SIGNALS:
    void targetChosen(const QUuid& id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QRectF rowRect(int index) const;
    int rowAt(const QPointF& position) const;

    HostStore& store_;
    int hovered_ = -1;
};

} // namespace vantorel
