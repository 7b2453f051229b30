#pragma once

#include <QObject>
#include <QTimer>

namespace vantorel {

// Turns a burst of change notifications into at most one delivery per window: the first
// notification opens a window, and when it closes `fired` is emitted once on the owning thread.
// A sweep's 254 monitors each announce several changes per probe; redrawing for every one of them
// would cost far more than the probing itself.
class ChangeCoalescer : public QObject {
    Q_OBJECT
public:
    static constexpr int kWindowMs = 250;

    explicit ChangeCoalescer(QObject* parent = nullptr);

    void notify();

Q_SIGNALS:
    void fired();

private:
    QTimer window_;
};

} // namespace vantorel
