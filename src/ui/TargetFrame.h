#pragma once

#include <QMetaObject>
#include <QWidget>
#include <memory>
#include <vector>

class QGridLayout;
class QLabel;

namespace vantorel {

class ElidedLabel;
class FigureTile;
class StatusDot;
class Target;

// The detail area's view of one target on a glass panel: its name as the title, its kind, the
// line saying how it is doing, and its figures on tiles (latency, average, range, jitter, loss;
// for a sweep the hosts, how many are up and how far the scan is).
class TargetFrame : public QWidget {
    Q_OBJECT

public:
    explicit TargetFrame(QWidget* parent = nullptr);

    const std::shared_ptr<Target>& target() const { return target_; }
    // Shows another target; the tiles are built afresh for its kind.
    void setTarget(std::shared_ptr<Target> target);
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuildTiles();
    FigureTile* tile(int index) const { return tiles_.at(std::size_t(index)); }

    std::shared_ptr<Target> target_;
    QMetaObject::Connection subscription_;
    ElidedLabel* title_ = nullptr;
    QLabel* kind_ = nullptr;
    StatusDot* dot_ = nullptr;
    QLabel* state_ = nullptr;
    QLabel* hosts_ = nullptr;
    QGridLayout* grid_ = nullptr;
    std::vector<FigureTile*> tiles_;
};

} // namespace vantorel
