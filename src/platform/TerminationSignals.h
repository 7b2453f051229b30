#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace vantorel {

// SIGTERM (a service manager stopping the service, a session ending) and SIGINT (Ctrl+C in a
// terminal), taken in place of their default of ending the process on the spot, and announced on
// the main thread, where the model can be taken down in order and the last samples committed.
// One per process.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    TerminationSignals();
    // Restores the default handling.
    ~TerminationSignals() override;

Q_SIGNALS:
    void received();

private:
    void drain();

    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace vantorel
