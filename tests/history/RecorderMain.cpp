// Records samples of one key into the history file named on the command line, a few every
// millisecond, as a busy set of monitors would, and about every 300 ms prints "committed N":
// every sample numbered up to N has been written, because the store answered a load submitted
// behind their inserts. Between loads, the store commits its batches on its own.
#include "history/SampleStore.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto store = vantorel::SampleStore::create(QString::fromLocal8Bit(argv[argc - 1]));
    std::int64_t next = 1;
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        for (const auto last = next + 5; next < last; ++next)
            store->appendSample("hostPing:127.0.0.1",
                                {next, next % 7 ? std::optional(double(next % 50)) : std::nullopt,
                                 1000.0 + double(next)});
        if (++ticks % 300 != 0)
            return;
        // Later than any sample, so the load reads no rows and answers only the highest number.
        store->loadSamples("hostPing:127.0.0.1", 1e12, [](auto, std::int64_t highestSeq) {
            std::printf("committed %lld\n", static_cast<long long>(highestSeq));
            std::fflush(stdout);
        });
    });
    tick.start(1);
    return app.exec();
}
