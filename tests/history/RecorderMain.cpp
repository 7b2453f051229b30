// Records samples of one key into the history file named on the command line, as fast as the
// store takes them, and after each batch prints "committed N": every sample numbered up to N has
// been written, because the store answered a load queued behind their inserts.
#include "history/SampleStore.h"

#include <QCoreApplication>
#include <cstdio>

using namespace vantorel;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: history_recorder <database file>\n");
        return 2;
    }
    const auto store = SampleStore::create(QString::fromLocal8Bit(argv[1]));
    const QString key = QStringLiteral("hostPing:127.0.0.1");
    constexpr int kBatch = 25;
    // Later than any sample, so the load reads no rows and answers only the highest number.
    constexpr Date kFuture = 1e12;
    std::int64_t next = 1;

    std::function<void()> submitBatch = [&] {
        for (int i = 0; i < kBatch; ++i, ++next) {
            const std::optional<double> rtt =
                next % 7 == 0 ? std::nullopt : std::optional<double>(double(next % 50) + 0.25);
            store->appendSample(key, PingSample{.id = next, .rtt = rtt, .time = 1000.0 + next});
        }
        store->loadSamples(key, kFuture, [&](std::vector<PingSample>, std::int64_t highestSeq) {
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
