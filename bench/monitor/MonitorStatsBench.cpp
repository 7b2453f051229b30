#include "monitor/SampleSeries.h"

#include <benchmark/benchmark.h>
#include <random>

namespace vantorel {
namespace {

// A monitor with a 24 h window holds 86,400 samples at one a second.
SampleSeries dayOfSamples(std::mt19937& random) {
    std::lognormal_distribution<double> latency(3, 0.4);
    std::bernoulli_distribution lost(0.02);
    SampleSeries series;
    for (int i = 0; i < 86'400; ++i)
        series.append({i, lost(random) ? std::nullopt : std::optional(latency(random)), double(i)});
    return series;
}

void BM_RecomputeStatsOver24Hours(benchmark::State& state) {
    std::mt19937 random(1);
    const auto series = dayOfSamples(random);
    for (auto _ : state)
        benchmark::DoNotOptimize(series.computeStats());
}
BENCHMARK(BM_RecomputeStatsOver24Hours)->Unit(benchmark::kMicrosecond);

// What recording one sample costs a monitor with a full day: the new sample in, the oldest out,
// and the statistics recomputed.
void BM_RecordStepOver24Hours(benchmark::State& state) {
    std::mt19937 random(1);
    auto series = dayOfSamples(random);
    std::lognormal_distribution<double> latency(3, 0.4);
    std::int64_t id = 86'400;
    for (auto _ : state) {
        ++id;
        series.append({id, latency(random), double(id)});
        series.dropFront(1);
        benchmark::DoNotOptimize(series.computeStats());
    }
}
BENCHMARK(BM_RecordStepOver24Hours)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace vantorel

BENCHMARK_MAIN();
