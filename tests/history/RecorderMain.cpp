// Records samples of one key into the history file named on the command line, as fast as the
// store takes them, and after each batch prints "committed N": every sample numbered up to N has
// been written, because the store answered a load queued behind their inserts.
#include "history/SampleStore.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto store = vantorel::SampleStore::create(QString::fromLocal8Bit(argv[argc - 1]));
    std::int64_t next = 1;
    std::function<void()> submitBatch = [&] {
        for (const auto last = next + 25; next < last; ++next)
            store->appendSample("hostPing:127.0.0.1",
                                {.id = next,
                                 .rtt = next % 7 ? std::optional(double(next % 50)) : std::nullopt,
                                 .time = 1000.0 + double(next)});
        // Later than any sample, so the load reads no rows and answers only the highest number.
        store->loadSamples("hostPing:127.0.0.1", 1e12, [&](auto, std::int64_t highestSeq) {
            std::printf("committed %lld\n", static_cast<long long>(highestSeq));
            std::fflush(stdout);
            submitBatch();
        });
    };
    // Two batches in flight keep the queue busy, so a kill lands in the middle of inserting.
    submitBatch();
    submitBatch();
    return app.exec();
}
