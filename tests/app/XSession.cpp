#include "XSession.h"

#include <QDir>
#include <QProcess>
#include <stdexcept>

namespace vantorel::test {

XSession::XSession()
    : folder_(QDir::tempPath() + "/vantorel-x-XXXXXX") {
    if (!folder_.isValid())
        throw std::runtime_error("cannot create a folder for the X session");
    // -displayfd lets Xvfb pick a free display and say which once it accepts clients.
    server_ = std::make_unique<TestDaemonProcess>(
        "Xvfb", QStringList{"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x800x24"},
        QProcessEnvironment::systemEnvironment(), folder_.filePath("xvfb.log"), true);
    display_ = ":" + server_->readLine(std::chrono::seconds(10));

    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display_);
    environment.remove("WAYLAND_DISPLAY");
    trayHost_ = std::make_unique<TestDaemonProcess>(
        "trayer",
        QStringList{"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "28",
                    "--transparent", "false", "--tint", "0x1c1f26", "--SetDockType", "true",
                    "--expand", "true"},
        environment, folder_.filePath("trayer.log"));
}

XSession::~XSession() {
    trayHost_.reset();
    server_.reset();
}

void XSession::run(const QString& program, const QStringList& arguments) const {
    QProcess command;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", display_);
    command.setProcessEnvironment(environment);
    command.setProcessChannelMode(QProcess::MergedChannels);
    command.start(program, arguments);
    if (!command.waitForFinished(20000) || command.exitStatus() != QProcess::NormalExit ||
        command.exitCode() != 0)
        throw std::runtime_error((program + " " + arguments.join(' ') +
                                  " failed: " + QString::fromLocal8Bit(command.readAll()))
                                     .toStdString());
}

void XSession::click(const QPoint& point) const {
    run("xdotool", {"mousemove", "--sync", QString::number(point.x()), QString::number(point.y()),
                    "click", "1"});
}

void XSession::key(const QString& name) const {
    run("xdotool", {"key", name});
}

void XSession::screenshot(const QString& file) const {
    run("import", {"-window", "root", file});
}

} // namespace vantorel::test
