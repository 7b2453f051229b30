#pragma once

#include <optional>
#include <vector>

namespace vantorel::dashboard {

// The overview's fixed measures, in points.
inline constexpr double kGap = 14;
inline constexpr double kUnitHeight = 140;
inline constexpr double kMinColumnWidth = 320;

// What the layout needs to know of one active target, in target order.
struct BlockSource {
    enum class Shape { single, traceroute, sweep };
    Shape shape = Shape::single;
    // Hops of the traceroute's first monitor (traceroutes only).
    int hopCount = 0;
};

// One placed item: a tile for one target, or two ping sweeps side by side. Indices refer to the
// sources handed to `buildBlocks`.
struct Block {
    int first = 0;
    // The second sweep of a pair; none for tiles and for a lone sweep at the end.
    std::optional<int> second;
    bool sweepPair = false;
    int units = 1;

    bool operator==(const Block&) const = default;
};

// Tiles in target order; sweeps pair up at the position of the second one of each pair.
std::vector<Block> buildBlocks(const std::vector<BlockSource>& sources);

// How many columns fit across `width`: at least one.
int columnCount(double width, double gap = kGap, double minColumnWidth = kMinColumnWidth);

// Masonry: each block goes to the leftmost of the shortest columns. Returns the block indices of
// each column, top to bottom.
std::vector<std::vector<int>> packColumns(const std::vector<Block>& blocks, int columns);

// The height of a block of `units`, including the gaps it spans.
double blockHeight(int units, double unitHeight = kUnitHeight, double gap = kGap);

// How many hops a traceroute tile of `units` lists before its "+ N more hops" line.
int hopRowLimit(int units);

} // namespace vantorel::dashboard
