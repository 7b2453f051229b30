#pragma once

#include "support/SessionBusProcess.h"

#include <QLocalSocket>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <memory>

namespace vantorel::test {

// The installed vantorel program, started with the test control switched on
// (VANTOREL_TEST_CONTROL), which answers questions about what is on screen.
class RunningApp {
public:
    // `environment` holds the display, the bus and the user folders. Returns once the control
    // answers; throws std::runtime_error (with what the program printed) otherwise.
    RunningApp(const QString& program, QProcessEnvironment environment, const QString& folder);

    // Sends one request and returns the reply after "ok" (trimmed). Throws on an "error" reply
    // or when the program does not answer.
    QString ask(const QString& request);
    // The reply of a geometry request as a rectangle.
    QRect rectangle(const QString& request);

    bool isRunning() const { return process_->isRunning(); }
    quint32 pid() const { return process_->pid(); }
    // What went wrong, with everything the program printed.
    QString failure(const QString& what) const { return process_->failure(what); }

private:
    std::unique_ptr<TestDaemonProcess> process_;
    QLocalSocket control_;
};

} // namespace vantorel::test
