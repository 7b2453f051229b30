#include "monitor/MonitorStats.h"

#include <benchmark/benchmark.h>
#include <random>

namespace vantorel {
namespace {

// A monitor recomputes its statistics after every sample; with a 24 h window that is a series of
// 86,400 samples once a second.
void BM_RecomputeStatsOver24Hours(benchmark::State& state) {
    std::mt19937 random(1);
    std::lognormal_distribution<double> latency(3, 0.4);
    std::bernoulli_distribution lost(0.02);
    std::deque<PingSample> samples;
    for (int i = 0; i < 86'400; ++i)
        samples.push_back(
            {i, lost(random) ? std::nullopt : std::optional(latency(random)), double(i)});
    std::vector<double> scratch;
    for (auto _ : state)
        benchmark::DoNotOptimize(computeStats(samples, scratch));
}
BENCHMARK(BM_RecomputeStatsOver24Hours)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace vantorel

BENCHMARK_MAIN();
