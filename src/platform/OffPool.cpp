#include "platform/OffPool.h"

namespace vantorel {

namespace {
// Enough for a whole sweep's lookups to wait at once; idle threads expire after 30 s.
constexpr int kBlockingPoolThreads = 256;
} // namespace

QThreadPool& blockingPool() {
    // Never destroyed: blocking calls may still be running when the process exits.
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool();
        p->setMaxThreadCount(kBlockingPoolThreads);
        p->setExpiryTimeout(30'000);
        // Resolver calls need little stack; keep the address-space cost of many waiters small.
        p->setStackSize(256 * 1024);
        p->setObjectName(QStringLiteral(VANTOREL_APP_ID ".blocking"));
        return p;
    }();
    return *pool;
}

} // namespace vantorel
