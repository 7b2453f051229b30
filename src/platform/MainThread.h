#pragma once

#include <functional>

namespace vantorel {

// Queues `block` to run on the main (GUI) thread's event loop, after what is already queued there.
// Safe to call from any thread; the model objects live on the main thread, so this is how
// background work hands results back.
void postToMain(std::function<void()> block);

// While one is alive on a thread, the blocks that thread posts with postToMain are held back and
// handed over, in order, as one event when the outermost one ends: a burst of results wakes the
// main thread once rather than once per result. Not for the main thread itself.
class MainThreadBatch {
public:
    MainThreadBatch();
    ~MainThreadBatch();
    MainThreadBatch(const MainThreadBatch&) = delete;
    MainThreadBatch& operator=(const MainThreadBatch&) = delete;
};

bool isMainThread();

} // namespace vantorel
