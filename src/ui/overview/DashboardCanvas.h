#pragma once

#include "ui/rules/DashboardLayout.h"

#include <QUuid>
#include <QWidget>
#include <map>
#include <vector>

namespace vantorel {

class HostStore;
class TargetTile;

// The overview's masonry: one tile per switched-on target (ping sweeps two to a block), packed
// into as many columns as the width allows. Tiles are kept across store changes and only built,
// dropped or moved when the blocks themselves change; each tile repaints itself as its target
// changes.
class DashboardCanvas : public QWidget {
    Q_OBJECT

public:
    explicit DashboardCanvas(HostStore& store, QWidget* parent = nullptr);

    // Reads the store again; the tiles are rebuilt only when the blocks differ.
    void sync();
    // Places the blocks across `width` and takes the height they need.
    void layOut(int width);

    bool isEmpty() const { return blocks_.empty(); }
    const std::vector<dashboard::Block>& blocks() const { return blocks_; }
    int columnCount() const { return columns_; }

Q_SIGNALS:
    void targetChosen(const QUuid& id);

private:
    TargetTile* tileFor(int activeIndex) const;

    HostStore& store_;
    std::vector<QUuid> active_;
    std::vector<dashboard::Block> blocks_;
    std::map<QUuid, TargetTile*> tiles_;
    int columns_ = 1;
};

} // namespace vantorel
