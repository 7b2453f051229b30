// How long a monitor starting with a 24-hour history window waits for its samples: loadSamples of
// one key's 86,400 rows from a file holding ten keys at one sample a second for 24 hours, timed
// from the call until the completion has run on the main thread.
#include "history/HistorySql.h"
#include "history/SampleStore.h"
#include "history/Sqlite.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <time.h>

namespace vantorel {
namespace {

constexpr int kKeys = 10;
constexpr int kSecondsPerDay = 86'400;
constexpr Date kStart = 786'000'000.0;

double processCpuNow() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

QString keyName(int index) {
    return QStringLiteral("hostPing:198.18.0.%1").arg(index + 1);
}

// One transaction and one prepared insert: the store's own path commits every row by itself,
// which would take far longer than the benchmark.
bool fillDatabase(const QString& file) {
    {
        // The store creates the file with the application's own schema and settings.
        const auto store = SampleStore::create(file);
        bool opened = false;
        store->loadSamples("", 0, [&](auto, auto) { opened = true; });
        while (!opened)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    QString error;
    const auto db = sqlite::Connection::open(file, error);
    if (!db || db.execute("BEGIN;") != 0)
        return false;
    auto insert = sqlite::Statement::prepare(db, history_sql::kInsertSample);
    if (!insert)
        return false;
    std::vector<QByteArray> keys;
    for (int k = 0; k < kKeys; ++k)
        keys.push_back(keyName(k).toUtf8());
    for (int second = 0; second < kSecondsPerDay; ++second) {
        for (int k = 0; k < kKeys; ++k) {
            insert.reset();
            insert.bindText(1, keys[k]);
            insert.bindInt64(2, second + 1);
            insert.bindOptionalDouble(
                3, second % 50 == 0 ? std::nullopt
                                    : std::optional<double>(10.0 + k + (second % 17) * 0.5));
            insert.bindDouble(4, kStart + second + k * 0.01);
            insert.step();
        }
    }
    return db.execute("COMMIT;") == 0;
}

void loadSamplesOfOneDay(benchmark::State& state, const QString& file) {
    const auto store = SampleStore::create(file);
    const QString key = keyName(3);
    std::size_t rows = 0;
    // Both threads' work, which unlike the wall time does not depend on what else the machine
    // is running.
    double processCpuSeconds = 0;
    for (auto _ : state) {
        const double cpuBefore = processCpuNow();
        bool done = false;
        store->loadSamples(key, kStart, [&](std::vector<PingSample> samples, std::int64_t) {
            rows = samples.size();
            done = true;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        processCpuSeconds += processCpuNow() - cpuBefore;
    }
    if (rows != std::size_t(kSecondsPerDay))
        state.SkipWithError("the load did not return one day of samples");
    state.counters["rows"] = double(rows);
    state.counters["process_cpu_ms"] =
        benchmark::Counter(processCpuSeconds * 1e3, benchmark::Counter::kAvgIterations);
}

} // namespace
} // namespace vantorel

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("history.sqlite"));
    if (!vantorel::fillDatabase(file)) {
        std::fprintf(stderr, "could not build the benchmark database\n");
        return 1;
    }
    benchmark::RegisterBenchmark("SampleStore/loadSamples/86400of864000",
                                 vantorel::loadSamplesOfOneDay, file)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
