#include "platform/ChangeCoalescer.h"

namespace vantorel {

ChangeCoalescer::ChangeCoalescer(QObject* parent)
    : QObject(parent) {
    window_.setSingleShot(true);
    window_.setInterval(kWindowMs);
    // A coarse timer may end a window up to 5 % early, which would break the one-per-window rule.
    window_.setTimerType(Qt::PreciseTimer);
    connect(&window_, &QTimer::timeout, this, &ChangeCoalescer::fired);
}

void ChangeCoalescer::notify() {
    if (!window_.isActive())
        window_.start();
}

} // namespace vantorel
