#include "monitor/PingMonitor.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/UserFolders.h"
#include "targets/Target.h"
#include "ui/detail/ResultsPane.h"
#include "ui/detail/SampleListView.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QSignalBlocker>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace vantorel {
namespace {

constexpr int kDaySamples = 86'400;
// A little under a second apart, so that the oldest sample does not leave the day's window while
// the rest are still being fed.
constexpr double kSpacing = 0.99;
const QSize kPaneSize(760, 440);

// A switched-off host ping whose monitor holds a day's worth of samples, about one a second, fed
// directly: latencies wandering through all three bands, one probe in twenty lost.
std::shared_ptr<Target> filled;

std::shared_ptr<Target> dayTarget() {
    if (!filled)
        filled = [] {
            TargetSpec spec;
            spec.host = QStringLiteral("198.19.250.200");
            auto target = Target::create(spec, false);
            PingMonitor& monitor = *target->monitors().front();
            const Date newest = dateNow();
            for (int i = 0; i < kDaySamples; ++i) {
                const std::optional<double> rtt =
                    i % 20 == 7 ? std::nullopt
                                : std::optional(90 + 80 * std::sin(i * 0.05) + (i % 13));
                monitor.record(rtt, newest - (kDaySamples - 1 - i) * kSpacing);
            }
            if (monitor.samples().size() != std::size_t(kDaySamples)) {
                std::fprintf(stderr, "the series was trimmed to %zu samples\n",
                             monitor.samples().size());
                std::exit(1);
            }
            return target;
        }();
    return filled;
}

void buildPane(benchmark::State& state) {
    const auto target = dayTarget();
    QImage image(kPaneSize, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        ResultsPane pane(target);
        pane.resize(kPaneSize);
        image.fill(Qt::transparent);
        pane.render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["samples"] = double(target->monitors().front()->samples().size());
}

// One wheel step down the list and the paint of the list that follows, as on screen.
void scrollStepAndPaint(benchmark::State& state) {
    const auto target = dayTarget();
    ResultsPane pane(target);
    pane.resize(kPaneSize);
    pane.show();
    QApplication::processEvents();
    SampleListView& list = *pane.sampleList();
    QScrollBar& bar = *list.verticalScrollBar();
    // Start in the middle of the day, well away from both ends.
    bar.setValue(bar.maximum() / 2);
    QApplication::processEvents();
    for (auto _ : state) {
        bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
        list.viewport()->repaint();
    }
    state.counters["rows"] = double(list.model()->rowCount());
    state.counters["top"] = double(list.topSeq().value_or(-1));
}

// A new sample arriving with the list at the top (it follows) or scrolled into the middle (it keeps
// its place): the list taking it in, and the paint that follows; over a list of 100 rows, and over
// the day's.
void newSampleAndPaint(benchmark::State& state, bool following, int rows) {
    const auto target = rows == kDaySamples ? dayTarget() : Target::create(TargetSpec{}, false);
    for (int i = 0; i < rows && rows != kDaySamples; ++i)
        target->monitors().front()->record(42.0, dateNow() - rows + i);
    PingMonitor& monitor = *target->monitors().front();
    ResultsPane pane(target);
    pane.resize(kPaneSize);
    pane.show();
    QApplication::processEvents();
    SampleListView& list = *pane.sampleList();
    if (!following)
        list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum() / 2);
    QApplication::processEvents();
    for (auto _ : state) {
        // The monitor's own work (statistics over the day, the history) is measured on its own
        // below; here only the list's part counts: taking the row in, and the paint.
        state.PauseTiming();
        {
            const QSignalBlocker quiet(&monitor);
            monitor.record(42.0, dateNow());
        }
        state.ResumeTiming();
        Q_EMIT monitor.changed();
        // One paint of all that the sample made dirty, as the window's next frame would.
        QApplication::processEvents();
    }
    state.counters["following"] = list.followsTop();
    state.counters["rows"] = double(list.model()->rowCount());
}

// The monitor's own share of the above, without any view: for reading the two figures above.
void recordOnly(benchmark::State& state) {
    PingMonitor& monitor = *dayTarget()->monitors().front();
    for (auto _ : state)
        monitor.record(42.0, dateNow());
}

// The whole pane painted once, for comparison with the list alone.
void paintPane(benchmark::State& state) {
    const auto target = dayTarget();
    ResultsPane pane(target);
    pane.resize(kPaneSize);
    pane.show();
    QApplication::processEvents();
    for (auto _ : state)
        pane.repaint();
}

} // namespace
} // namespace vantorel

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The preferences and history of the person running the benchmark stay untouched.
    vantorel::test::isolateUserFolders();
    QApplication app(argc, argv);
    auto& preferences = vantorel::Preferences::instance();
    preferences.setValue(vantorel::keys::appearance, QStringLiteral("dark"));
    // A day of scrollback, so that the monitor keeps every one of the day's samples.
    preferences.setValue(vantorel::keys::scrollbackEnabled, true);
    preferences.setValue(vantorel::keys::scrollbackMinutes, 1440);
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("ResultsPane/build/86400", vantorel::buildPane)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ResultsPane/scrollStepAndPaint/86400",
                                 vantorel::scrollStepAndPaint)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ResultsPane/paintPane/86400", vantorel::paintPane)
        ->Unit(benchmark::kMillisecond);
    // These grow the series by one sample per iteration, so they run last.
    benchmark::RegisterBenchmark("ResultsPane/newSampleAndPaint/following/100",
                                 vantorel::newSampleAndPaint, true, 100)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ResultsPane/newSampleAndPaint/scrolledAway/100",
                                 vantorel::newSampleAndPaint, false, 100)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ResultsPane/newSampleAndPaint/following/86400",
                                 vantorel::newSampleAndPaint, true, vantorel::kDaySamples)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ResultsPane/newSampleAndPaint/scrolledAway/86400",
                                 vantorel::newSampleAndPaint, false, vantorel::kDaySamples)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ResultsPane/newSampleWithoutView", vantorel::recordOnly)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    vantorel::filled.reset();
    benchmark::Shutdown();
    return 0;
}
