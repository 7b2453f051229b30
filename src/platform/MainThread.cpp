#include "platform/MainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <utility>
#include <vector>

namespace vantorel {

namespace {

struct HeldBlocks {
    int depth = 0;
    std::vector<std::function<void()>> blocks;
};

thread_local HeldBlocks held;

void post(std::function<void()> block) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(block), Qt::QueuedConnection);
}

} // namespace

void postToMain(std::function<void()> block) {
    if (held.depth > 0)
        held.blocks.push_back(std::move(block));
    else
        post(std::move(block));
}

MainThreadBatch::MainThreadBatch() {
    ++held.depth;
}

MainThreadBatch::~MainThreadBatch() {
    if (--held.depth > 0 || held.blocks.empty())
        return;
    post([blocks = std::exchange(held.blocks, {})] {
        for (const auto& block : blocks)
            block();
    });
}

bool isMainThread() {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace vantorel
