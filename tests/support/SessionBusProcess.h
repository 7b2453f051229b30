#pragma once

#include <QProcess>
#include <chrono>

namespace vantorel::test {

// A daemon a test needs, stopped when this object goes and killed with the test process however
// that ends. What it says goes to a log file (an unread pipe would stall a chatty daemon).
class TestDaemonProcess {
public:
    // Throws std::runtime_error when it cannot start. With `readsOutput`, stdout is for readLine().
    TestDaemonProcess(const QString& program, const QStringList& arguments,
                      const QProcessEnvironment& environment, const QString& logPath,
                      bool readsOutput = false);
    ~TestDaemonProcess();

    // The next line of its stdout; throws std::runtime_error when none comes within `limit`.
    QString readLine(std::chrono::milliseconds limit);

    bool isRunning() const { return process_.state() == QProcess::Running; }
    quint32 pid() const { return static_cast<quint32>(process_.processId()); }

    // `what`, followed by the daemon's log.
    QString failure(const QString& what) const;

private:
    QString logPath_;
    QProcess process_;
};

} // namespace vantorel::test
