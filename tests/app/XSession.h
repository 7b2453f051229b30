#pragma once

#include "support/SessionBusProcess.h"

#include <QPoint>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace vantorel::test {

// A private X server (Xvfb) with a tray host (Debian's trayer, a panel along the top edge), for
// running the real application. Input goes in through the XTEST extension (xdotool), as from a
// mouse; pictures come out with ImageMagick's `import`.
class XSession {
public:
    // Throws std::runtime_error when Xvfb or trayer cannot start.
    XSession();
    ~XSession();

    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // ":<n>", for DISPLAY.
    const QString& display() const { return display_; }
    // The X server's process, whose CPU time includes drawing what clients send it.
    quint32 serverPid() const { return server_->pid(); }

    // A left click at that point of the screen. Throws when xdotool fails.
    void click(const QPoint& point) const;
    // A key press and release, e.g. "Escape".
    void key(const QString& name) const;
    // The whole screen as a PNG file. Throws when `import` fails.
    void screenshot(const QString& file) const;

private:
    void run(const QString& program, const QStringList& arguments) const;

    QTemporaryDir folder_;
    std::unique_ptr<TestDaemonProcess> server_;
    std::unique_ptr<TestDaemonProcess> trayHost_;
    QString display_;
};

} // namespace vantorel::test
