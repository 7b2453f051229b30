#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <chrono>
#include <memory>

namespace vantorel::test {

// A daemon a test needs (bus, display server, notification daemon). It is killed with the test
// process even when that dies without cleaning up, and stopped when this object goes away, so a
// failing test leaves nothing behind. What it says on stderr goes to a log file, which failure
// messages quote: an unread pipe would stall a chatty daemon.
class TestDaemonProcess {
public:
    // Starts `program`; throws std::runtime_error when it cannot be started. With
    // `readsOutput` its stdout stays a pipe for readLine(), otherwise it joins the log.
    TestDaemonProcess(const QString& program, const QStringList& arguments,
                      const QProcessEnvironment& environment, const QString& logPath,
                      bool readsOutput = false);
    ~TestDaemonProcess();

    TestDaemonProcess(const TestDaemonProcess&) = delete;
    TestDaemonProcess& operator=(const TestDaemonProcess&) = delete;

    // The next line the daemon writes to stdout, without its line end. Throws
    // std::runtime_error when none comes within `limit` or the daemon exits first.
    QString readLine(std::chrono::milliseconds limit);

    bool isRunning() const;
    quint32 pid() const;

    // `what`, followed by the daemon's log, for the messages of failed set-ups.
    QString failure(const QString& what) const;

private:
    QString program_;
    QString logPath_;
    std::unique_ptr<QProcess> process_;
};

} // namespace vantorel::test
