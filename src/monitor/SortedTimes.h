#pragma once

#include <cstddef>
#include <vector>

namespace vantorel {

// Round-trip times kept in order, for a series' minimum, maximum and percentiles. One sorted
// vector moved half its length for each time that came or went, which at a day's 86,400 samples
// was most of what a new sample cost its monitor. The times are held in sorted blocks of a few
// hundred instead: a time moves one block's worth, and the n-th is found by walking the blocks.
class SortedTimes {
public:
    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    double min() const { return blocks_.front().front(); }
    double max() const { return blocks_.back().back(); }
    // The `index`-th smallest, from 0. The walk to it starts at the largest end, where the
    // percentiles asked for lie.
    double operator[](std::size_t index) const;

    void insert(double time);
    // Takes out one time equal to `time`, which must be held.
    void erase(double time);
    void assign(std::vector<double> times);

private:
    void split(std::size_t block);
    void mergeIfSmall(std::size_t block);

    std::vector<std::vector<double>> blocks_;
    std::size_t size_ = 0;
};

} // namespace vantorel
