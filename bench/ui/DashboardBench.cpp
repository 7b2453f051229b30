// What the overview costs to lay out and paint: 40 tiles of every kind with full series (host
// pings and service checks of 600 samples, traceroutes of 11 to 20 hops, ping sweeps of 254
// hosts), resized across a change of column count and painted whole into an image, offscreen.
//
// Traceroutes need real hops, so the benchmark runs inside the test lab's private network and
// traces through a chain of lab routers; every other monitor is fed through record().
#include "lab/Lab.h"
#include "lab/PrivateNetwork.h"
#include "platform/Clock.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/UserFolders.h"
#include "targets/HostStore.h"
#include "targets/TargetSpecJson.h"
#include "ui/overview/DashboardCanvas.h"
#include "ui/overview/DashboardView.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <memory>

namespace vantorel {
namespace {

using namespace std::chrono_literals;

constexpr int kHostPings = 16;
constexpr int kServiceChecks = 8;
constexpr int kTraceroutes = 8;
constexpr int kSweeps = 8;
constexpr int kSamples = 600;
constexpr int kRouters = 19;

struct Scene {
    std::unique_ptr<lab::Lab> lab;
    std::unique_ptr<HostStore> store;
    std::unique_ptr<DashboardView> view;
};

std::vector<TargetSpec> specs(const lab::RouterChain& route) {
    std::vector<TargetSpec> all;
    int pings = 0, services = 0, traces = 0, sweeps = 0;
    // Interleaved, so that the masonry mixes heights as a real list would.
    while (pings < kHostPings || services < kServiceChecks || traces < kTraceroutes ||
           sweeps < kSweeps) {
        if (pings < kHostPings)
            all.push_back(
                {TargetKind::hostPing, QStringLiteral("127.0.0.%1").arg(++pings), {}, 24});
        if (traces < kTraceroutes) {
            // Routers 11 … 18 and beyond: 11 to 19 hops, two- and three-unit tiles.
            const int hop = 11 + traces++;
            const std::string& address =
                hop <= kRouters ? route.routers()[std::size_t(hop - 1)] : route.destination();
            all.push_back({TargetKind::traceroute, QString::fromStdString(address), {}, 24});
        }
        if (pings < kHostPings)
            all.push_back(
                {TargetKind::hostPing, QStringLiteral("127.0.0.%1").arg(++pings), {}, 24});
        if (services < kServiceChecks)
            all.push_back({TargetKind::serviceCheck,
                           QStringLiteral("127.0.1.%1:443").arg(++services),
                           {},
                           24});
        if (sweeps < kSweeps) {
            ++sweeps;
            all.push_back({TargetKind::pingSweep, QStringLiteral("127.0.%1.1").arg(10 + sweeps),
                           QStringLiteral("127.0.%1.254").arg(10 + sweeps), 24});
        }
    }
    return all;
}

void feedSamples(PingMonitor& monitor, int seed) {
    const Date start = dateNow() - kSamples;
    for (int i = 0; i < kSamples + PingMonitor::kWarmupCount; ++i) {
        const bool lost = (i + seed) % 41 == 0;
        const double rtt = 8.0 + seed % 7 * 9 + 6.0 * std::sin(i * 0.07 + seed) + (i * 13 % 11);
        monitor.record(lost ? std::nullopt : std::optional(rtt), start + i);
    }
}

void feedSweep(const Target& target, int seed) {
    int index = 0;
    for (const auto& monitor : target.monitors()) {
        ++index;
        const bool alive = (index * 7 + seed) % 5 < 3;
        monitor->restoreLiveness(
            alive, alive ? std::optional(3.0 + (index * 11 + seed) % 170) : std::nullopt,
            std::nullopt);
    }
}

Scene buildScene() {
    Scene scene;
    scene.lab = std::make_unique<lab::Lab>();
    const lab::RouterChain& route = scene.lab->addRouteThroughRouters(kRouters);
    auto& preferences = Preferences::instance();
    preferences.setValue(keys::appearance, QStringLiteral("dark"));
    preferences.setValue(keys::targetsV2, *encodeTargetSpecs(specs(route)));
    MonitorTiming timing;
    timing.traceRunPeriod = 0.2;
    timing.sweepRescanInterval = 3600;
    scene.store = std::make_unique<HostStore>(timing);

    int seed = 0;
    for (const auto& target : scene.store->targets()) {
        target->setEnabled(true);
        if (target->spec().kind == TargetKind::traceroute)
            continue;
        for (const auto& monitor : target->monitors())
            monitor->stop();
        if (target->spec().kind == TargetKind::pingSweep)
            feedSweep(*target, ++seed);
        else
            feedSamples(*target->monitors().front(), ++seed);
    }
    // Every traceroute walks its whole path, then stands still for the measurement.
    const bool traced = test::spinUntil(
        [&] {
            for (const auto& target : scene.store->targets())
                if (target->spec().kind == TargetKind::traceroute &&
                    target->monitors().front()->hopStats().size() < 11)
                    return false;
            return true;
        },
        30s);
    if (!traced)
        std::fprintf(stderr, "some traceroutes did not finish their walk\n");
    test::spinFor(1s);
    for (const auto& target : scene.store->targets())
        if (target->spec().kind == TargetKind::traceroute)
            target->monitors().front()->stop();

    scene.view = std::make_unique<DashboardView>(*scene.store);
    scene.view->resize(1080, 720);
    scene.view->show();
    test::spinFor(500ms);
    return scene;
}

Scene* scene = nullptr;

// One layout across a change of column count (two ↔ three columns), then every tile painted.
void BM_LayOutAndPaintAllTiles(benchmark::State& state) {
    DashboardView& view = *scene->view;
    DashboardCanvas& canvas = *view.canvas();
    bool wide = false;
    QImage image;
    for (auto _ : state) {
        wide = !wide;
        view.resize(wide ? 1180 : 880, 720);
        // The image stands in for the window's backing store, which the window clears for only
        // the part on screen; clearing all 18 MB of it here took a sixth of the time measured.
        state.PauseTiming();
        if (image.size() != canvas.size())
            image = QImage(canvas.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        state.ResumeTiming();
        canvas.render(&image, {}, {}, QWidget::DrawChildren);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["tiles"] = double(canvas.findChildren<QWidget*>().size());
    state.counters["height"] = canvas.height();
}

// A frame of the overview as a window shows it: the panel and the tiles in view.
void BM_PaintVisibleOverview(benchmark::State& state) {
    DashboardView& view = *scene->view;
    view.resize(1080, 720);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::black);
        view.render(&image, {}, {}, QWidget::DrawChildren);
        benchmark::DoNotOptimize(image.constBits());
    }
}

BENCHMARK(BM_LayOutAndPaintAllTiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintVisibleOverview)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vantorel

int main(int argc, char** argv) {
    vantorel::lab::enterPrivateNetwork();
    vantorel::test::isolateUserFolders();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    vantorel::Scene built = vantorel::buildScene();
    vantorel::scene = &built;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    built.view.reset();
    built.store.reset();
    return 0;
}
