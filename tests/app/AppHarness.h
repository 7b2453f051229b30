#pragma once

#include "support/SessionBus.h"
#include "support/SessionBusProcess.h"
#include "targets/TargetSpec.h"

#include <QJsonDocument>
#include <QLocalSocket>
#include <QPoint>
#include <QProcessEnvironment>
#include <QRect>
#include <QTemporaryDir>
#include <memory>
#include <vector>

// Running the real program on a private desktop, for the end-to-end test and the idle-cost
// benchmark. Every set-up step throws std::runtime_error, with the logs, when it fails.
namespace vantorel::test {

// A private X server (Xvfb) with a tray host (Debian's trayer, a panel along the top edge) or a
// window manager (openbox, which gives new windows the keyboard). Input goes in through the XTEST
// extension (xdotool), as from a mouse and a keyboard.
class XSession {
public:
    enum class Desktop { trayPanel, windowManager };

    explicit XSession(Desktop desktop = Desktop::trayPanel);
    const QString& display() const { return display_; }
    // The X server's process, whose CPU time includes drawing what clients send it.
    quint32 serverPid() const { return server_->pid(); }
    void click(const QPoint& point) const;
    // Presses keys named as xdotool names them, one after another: "ctrl+n Tab Right".
    void keys(const QString& names) const;
    void type(const QString& text) const { xdotool({"type", "--delay", "30", text}); }

private:
    void xdotool(const QStringList& arguments) const;

    QTemporaryDir folder_;
    std::unique_ptr<TestDaemonProcess> server_;
    QString display_;
    QProcessEnvironment environment_ = QProcessEnvironment::systemEnvironment(); // on the display
    std::unique_ptr<TestDaemonProcess> desktop_;
};

// The environment of a fresh user account under `home` (its own HOME and XDG folders, created) on
// that display and bus, so the program never touches a real user's settings, history or desktop.
QProcessEnvironment userEnvironment(const QString& home, const XSession& x, const SessionBus& bus);
// The same with no display named: for a Wayland compositor the test starts itself.
QProcessEnvironment userEnvironment(const QString& home, const SessionBus& bus);
// The settings file the program reads under that home, with `targets` as its saved target list.
QString settingsPath(const QString& home);
void writeTargetList(const QString& home, const std::vector<TargetSpec>& targets);

// The tests' copy of the program (vantorel_under_test), whose remote control (TestControl.cpp)
// tells what is on screen; constructed once it answers. Its output goes to `folder`/vantorel.log.
class RunningApp {
public:
    RunningApp(const QString& program, QProcessEnvironment environment, const QString& folder,
               const QStringList& arguments = {});
    // The reply to one request after its "ok"; throws on an error reply or none.
    QString ask(const QString& request);
    // The reply to "targets", parsed.
    QJsonDocument targets() { return QJsonDocument::fromJson(ask("targets").toUtf8()); }
    QRect rectangle(const QString& request);
    bool isRunning() const { return process_->isRunning(); }
    quint32 pid() const { return process_->pid(); }
    // `what`, followed by everything the program printed.
    QString failure(const QString& what) const { return process_->failure(what); }

private:
    std::unique_ptr<TestDaemonProcess> process_;
    QLocalSocket control_;
};

} // namespace vantorel::test
