#include "ui/rules/DashboardLayout.h"

#include <algorithm>
#include <cmath>

namespace vantorel::dashboard {

namespace {

// A traceroute of this many hops no longer fits a two-unit tile.
constexpr int kTallTracerouteHops = 13;

} // namespace

std::vector<Block> buildBlocks(const std::vector<BlockSource>& sources) {
    std::vector<Block> blocks;
    std::optional<int> pendingSweep;
    for (int index = 0; index < int(sources.size()); ++index) {
        const BlockSource& source = sources[std::size_t(index)];
        switch (source.shape) {
        case BlockSource::Shape::traceroute:
            blocks.push_back(
                {.first = index, .units = source.hopCount < kTallTracerouteHops ? 2 : 3});
            break;
        case BlockSource::Shape::sweep:
            if (!pendingSweep) {
                pendingSweep = index;
            } else {
                blocks.push_back({.first = *pendingSweep, .second = index, .sweepPair = true});
                pendingSweep.reset();
            }
            break;
        case BlockSource::Shape::single:
            blocks.push_back({.first = index});
            break;
        }
    }
    if (pendingSweep)
        blocks.push_back({.first = *pendingSweep, .sweepPair = true});
    return blocks;
}

int columnCount(double width, double gap, double minColumnWidth) {
    const double count = std::floor((width + gap) / (minColumnWidth + gap));
    // NaN and negative widths (a window not laid out yet) fall to one column too.
    return count >= 1 ? int(count) : 1;
}

std::vector<std::vector<int>> packColumns(const std::vector<Block>& blocks, int columns) {
    columns = std::max(columns, 1);
    std::vector<std::vector<int>> placed(std::size_t(columns), std::vector<int>{});
    std::vector<int> heights(std::size_t(columns), 0);
    for (int index = 0; index < int(blocks.size()); ++index) {
        // min_element returns the first of equal minima: the leftmost shortest column.
        const auto shortest = std::min_element(heights.begin(), heights.end());
        const auto column = std::size_t(shortest - heights.begin());
        placed[column].push_back(index);
        *shortest += blocks[std::size_t(index)].units;
    }
    return placed;
}

double blockHeight(int units, double unitHeight, double gap) {
    return units * unitHeight + (units - 1) * gap;
}

int hopRowLimit(int units) {
    return units >= 3 ? 20 : 11;
}

} // namespace vantorel::dashboard
