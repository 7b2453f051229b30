#include "monitor/SortedTimes.h"

#include <algorithm>

namespace vantorel {

namespace {

// A block is split past twice this, and joins a neighbour below a quarter of it: so a time moves
// at most a few kilobytes, and a day's window is a few hundred blocks.
constexpr std::size_t kBlockSize = 256;

} // namespace

double SortedTimes::operator[](std::size_t index) const {
    std::size_t fromEnd = size_ - 1 - index;
    auto block = blocks_.rbegin();
    while (fromEnd >= block->size())
        fromEnd -= (block++)->size();
    return (*block)[block->size() - 1 - fromEnd];
}

void SortedTimes::insert(double time) {
    ++size_;
    if (blocks_.empty()) {
        blocks_.push_back({time});
        return;
    }
    // The first block holding a larger time, so that every block before it holds only smaller
    // or equal ones; past the largest, the last block.
    auto block =
        std::upper_bound(blocks_.begin(), blocks_.end(), time,
                         [](double t, const std::vector<double>& b) { return t < b.back(); });
    if (block == blocks_.end())
        --block;
    block->insert(std::upper_bound(block->begin(), block->end(), time), time);
    if (block->size() > 2 * kBlockSize)
        split(std::size_t(block - blocks_.begin()));
}

void SortedTimes::erase(double time) {
    auto block =
        std::lower_bound(blocks_.begin(), blocks_.end(), time,
                         [](const std::vector<double>& b, double t) { return b.back() < t; });
    block->erase(std::lower_bound(block->begin(), block->end(), time));
    --size_;
    const std::size_t index = std::size_t(block - blocks_.begin());
    if (block->empty())
        blocks_.erase(block);
    else
        mergeIfSmall(index);
}

void SortedTimes::assign(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    blocks_.clear();
    size_ = times.size();
    for (std::size_t first = 0; first < times.size(); first += kBlockSize)
        blocks_.emplace_back(times.begin() + std::ptrdiff_t(first),
                             times.begin() +
                                 std::ptrdiff_t(std::min(first + kBlockSize, times.size())));
}

void SortedTimes::split(std::size_t index) {
    std::vector<double>& full = blocks_[index];
    std::vector<double> upper(full.begin() + std::ptrdiff_t(full.size() / 2), full.end());
    full.resize(full.size() / 2);
    blocks_.insert(blocks_.begin() + std::ptrdiff_t(index + 1), std::move(upper));
}

// Without joining, blocks emptied down to a time or two each would make the walk to a
// percentile as long as the times themselves.
void SortedTimes::mergeIfSmall(std::size_t index) {
    if (blocks_[index].size() >= kBlockSize / 4 || blocks_.size() == 1)
        return;
    const std::size_t lower = index > 0 ? index - 1 : 0;
    std::vector<double>& kept = blocks_[lower];
    std::vector<double>& joined = blocks_[lower + 1];
    kept.insert(kept.end(), joined.begin(), joined.end());
    blocks_.erase(blocks_.begin() + std::ptrdiff_t(lower + 1));
    if (kept.size() > 2 * kBlockSize)
        split(lower);
}

} // namespace vantorel
