#pragma once

#include <functional>

namespace vantorel {

// Queues `block` to run on the main (GUI) thread's event loop, after what is already queued there.
// Safe to call from any thread; the model objects live on the main thread, so this is how
// background work hands results back.
void postToMain(std::function<void()> block);

bool isMainThread();

} // namespace vantorel
