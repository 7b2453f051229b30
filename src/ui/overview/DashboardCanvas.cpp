#include "ui/overview/DashboardCanvas.h"

#include "targets/HostStore.h"
#include "ui/overview/TargetTile.h"

#include <algorithm>
#include <cmath>

namespace vantorel {

namespace {

dashboard::BlockSource sourceFor(const Target& target) {
    dashboard::BlockSource source;
    switch (target.spec().kind) {
    case TargetKind::traceroute:
        source.shape = dashboard::BlockSource::Shape::traceroute;
        source.hopCount =
            target.monitors().empty() ? 0 : int(target.monitors().front()->hopStats().size());
        break;
    case TargetKind::pingSweep:
        source.shape = dashboard::BlockSource::Shape::sweep;
        break;
    case TargetKind::hostPing:
    case TargetKind::serviceCheck:
        break;
    }
    return source;
}

QRect snapped(double left, double top, double width, double height) {
    const int x = int(std::lround(left));
    const int y = int(std::lround(top));
    return QRect(x, y, int(std::lround(left + width)) - x, int(std::lround(top + height)) - y);
}

} // namespace

DashboardCanvas::DashboardCanvas(HostStore& store, QWidget* parent)
    : QWidget(parent)
    , store_(store) {
    setObjectName(QStringLiteral("dashboardCanvas"));
    setAttribute(Qt::WA_NoSystemBackground);
    sync();
}

void DashboardCanvas::sync() {
    std::vector<std::shared_ptr<Target>> active;
    std::vector<dashboard::BlockSource> sources;
    for (const auto& target : store_.targets()) {
        if (!target->enabled())
            continue;
        active.push_back(target);
        sources.push_back(sourceFor(*target));
    }
    std::vector<QUuid> ids;
    ids.reserve(active.size());
    for (const auto& target : active)
        ids.push_back(target->id());
    std::vector<dashboard::Block> blocks = dashboard::buildBlocks(sources);
    if (ids == active_ && blocks == blocks_)
        return;

    std::map<QUuid, TargetTile*> kept;
    for (const dashboard::Block& block : blocks) {
        for (const std::optional<int> index : {std::optional(block.first), block.second}) {
            if (!index)
                continue;
            const std::shared_ptr<Target>& target = active[std::size_t(*index)];
            const int units = block.sweepPair ? 1 : block.units;
            TargetTile* tile = nullptr;
            if (const auto found = tiles_.find(target->id()); found != tiles_.end()) {
                tile = found->second;
                tiles_.erase(found);
                tile->setUnits(units);
            } else {
                tile = new TargetTile(target, units, this);
                connect(tile, &TargetTile::opened, this, &DashboardCanvas::targetChosen);
                tile->show();
            }
            kept.emplace(target->id(), tile);
        }
    }
    for (const auto& [id, tile] : tiles_)
        delete tile;
    tiles_ = std::move(kept);
    active_ = std::move(ids);
    blocks_ = std::move(blocks);
    layOut(width());
}

TargetTile* DashboardCanvas::tileFor(int activeIndex) const {
    return tiles_.at(active_[std::size_t(activeIndex)]);
}

void DashboardCanvas::layOut(int width) {
    using namespace dashboard;
    columns_ = dashboard::columnCount(width);
    const double columnWidth = (width - (columns_ - 1) * kGap) / columns_;
    const double halfWidth = (columnWidth - kGap) / 2;
    double tallest = 0;
    const std::vector<std::vector<int>> columns = packColumns(blocks_, columns_);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const double left = double(c) * (columnWidth + kGap);
        double top = 0;
        for (const int index : columns[c]) {
            const Block& block = blocks_[std::size_t(index)];
            const double height = blockHeight(block.sweepPair ? 1 : block.units);
            if (block.sweepPair) {
                tileFor(block.first)->setGeometry(snapped(left, top, halfWidth, height));
                if (block.second)
                    tileFor(*block.second)
                        ->setGeometry(snapped(left + halfWidth + kGap, top, halfWidth, height));
            } else {
                tileFor(block.first)->setGeometry(snapped(left, top, columnWidth, height));
            }
            top += height + kGap;
        }
        tallest = std::max(tallest, top - kGap);
    }
    resize(width, int(std::ceil(std::max(0.0, tallest))));
}

} // namespace vantorel
