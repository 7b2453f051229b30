#include "monitor/PingMonitor.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/UserFolders.h"
#include "ui/detail/LatencyHistoryChart.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>

namespace vantorel {
namespace {

constexpr double kWindowSeconds = 600;

// A monitor that never probes (it is never started), holding ten minutes of samples at the given
// rate: latencies wandering through all three bands, with one probe in twenty lost.
std::shared_ptr<PingMonitor> filledMonitor(double samplesPerSecond) {
    auto monitor = PingMonitor::create(QStringLiteral("198.19.250.200"),
                                       PingMonitor::Mode::continuous, std::nullopt);
    const int count = int(kWindowSeconds * samplesPerSecond);
    const Date newest = dateNow();
    for (int i = 0; i < count; ++i) {
        const std::optional<double> rtt =
            i % 20 == 7 ? std::nullopt : std::optional(90 + 80 * std::sin(i * 0.05) + (i % 13));
        monitor->record(rtt, newest - (count - 1 - i) / samplesPerSecond);
    }
    return monitor;
}

void paintChart(benchmark::State& state, double samplesPerSecond) {
    const auto monitor = filledMonitor(samplesPerSecond);
    LatencyHistoryChart chart(monitor);
    chart.resize(900, 300);
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        chart.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["samples"] = double(monitor->samples().size());
}

} // namespace
} // namespace vantorel

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The preferences and history of the person running the benchmark stay untouched.
    vantorel::test::isolateUserFolders();
    QApplication app(argc, argv);
    vantorel::Preferences::instance().setValue(vantorel::keys::appearance, QStringLiteral("dark"));
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("HistoryChart/paint/900x300/600s@1Hz", vantorel::paintChart, 1.0)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("HistoryChart/paint/900x300/600s@10Hz", vantorel::paintChart, 10.0)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
