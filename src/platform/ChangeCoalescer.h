#pragma once

#include <QObject>
#include <cstdint>
#include <functional>

namespace vantorel {

// Turns a burst of change notifications into at most one delivery per window: the first
// notification opens a window, and when it closes `fired` is called once on the main thread.
// A sweep's 254 monitors each announce several changes per probe; redrawing for every one of them
// would cost far more than the probing itself.
//
// Windows close on frame boundaries of one clock shared by every coalescer, so the windows of
// many targets that close within the same frame are delivered in one turn of the event loop, by
// one timer, and the views they change repaint once for all of them. Main thread only.
class ChangeCoalescer : public QObject {
public:
    static constexpr int kWindowMs = 250;
    // A window lasts kWindowMs, then up to one frame more, to the next boundary.
    static constexpr int kFrameMs = 16;

    explicit ChangeCoalescer(QObject* parent = nullptr);
    ~ChangeCoalescer() override;

    void notify();

    // Calls `call` at once, or, while windows are being delivered, once all of that turn's have
    // been: whoever hears from many coalescers can then answer them together.
    static void afterDeliveries(std::function<void()> call);

    // A call, not a signal: a window closes for every probe of every monitor, and delivering a
    // signal cost as much again as the call it makes.
    std::function<void()> fired;

private:
    friend class WindowClock;
    bool open_ = false;
};

} // namespace vantorel
