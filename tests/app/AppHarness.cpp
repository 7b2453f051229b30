#include "AppHarness.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "targets/TargetSpecJson.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <stdexcept>

namespace vantorel::test {

XSession::XSession(Desktop desktop)
    : folder_(QDir::tempPath() + "/vantorel-x-XXXXXX") {
    // -displayfd lets Xvfb pick a free display and say which once it accepts clients.
    server_ = std::make_unique<TestDaemonProcess>(
        "Xvfb", QStringList{"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x800x24"},
        QProcessEnvironment::systemEnvironment(), folder_.filePath("xvfb.log"), true);
    display_ = ":" + server_->readLine(std::chrono::seconds(10));
    environment_.insert("DISPLAY", display_);
    if (desktop == Desktop::windowManager) {
        desktop_ = std::make_unique<TestDaemonProcess>("openbox", QStringList{"--sm-disable"},
                                                       environment_, folder_.filePath("wm.log"));
        // Only a window mapped once openbox is ready (its desktops published) gets the keyboard.
        const QString ready = "DISPLAY=" + display_ + " xdotool get_num_desktops >/dev/null 2>&1";
        for (int tries = 0; QProcess::execute("sh", {"-c", ready}) != 0; ++tries) {
            if (tries == 100)
                throw std::runtime_error("openbox did not manage the display within 10 s");
            QThread::msleep(100);
        }
        return;
    }
    const QString tray = "--edge top --align right --widthtype request --height 28 "
                         "--transparent false --tint 0x1c1f26 --SetDockType true --expand true";
    desktop_ = std::make_unique<TestDaemonProcess>("trayer", tray.split(' '), environment_,
                                                   folder_.filePath("trayer.log"));
}

void XSession::click(const QPoint& point) const {
    xdotool({"mousemove", QString::number(point.x()), QString::number(point.y()), "click", "1"});
}

void XSession::keys(const QString& names) const {
    xdotool(QStringList{"key", "--delay", "60"} + names.split(' '));
}

void XSession::xdotool(const QStringList& arguments) const {
    QProcess xdotool;
    xdotool.setProcessEnvironment(environment_);
    xdotool.setProcessChannelMode(QProcess::MergedChannels);
    xdotool.start("xdotool", arguments);
    if (!xdotool.waitForFinished(20000) || xdotool.exitStatus() != QProcess::NormalExit ||
        xdotool.exitCode() != 0)
        throw std::runtime_error(("xdotool failed: " + xdotool.readAll()).toStdString());
}

QProcessEnvironment userEnvironment(const QString& home, const XSession& x, const SessionBus& bus) {
    auto environment = userEnvironment(home, bus);
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("DISPLAY", x.display());
    return environment;
}

QProcessEnvironment userEnvironment(const QString& home, const SessionBus& bus) {
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("DISPLAY");
    environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    environment.insert("HOME", home);
    for (const auto& [variable, folder] : {std::pair{"XDG_CONFIG_HOME", "/.config"},
                                           {"XDG_DATA_HOME", "/.local/share"},
                                           {"XDG_CACHE_HOME", "/.cache"},
                                           {"XDG_STATE_HOME", "/.local/state"},
                                           {"XDG_RUNTIME_DIR", "/runtime"}}) {
        QDir().mkpath(home + folder);
        environment.insert(variable, home + folder);
    }
    QFile::setPermissions(home + "/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return environment;
}

QString settingsPath(const QString& home) {
    return home + "/.config/Vantorel/Vantorel.conf";
}

void writeTargetList(const QString& home, const std::vector<TargetSpec>& targets) {
    Preferences(settingsPath(home)).setValue(keys::targetsV2, *encodeTargetSpecs(targets));
}

RunningApp::RunningApp(const QString& program, QProcessEnvironment environment,
                       const QString& folder, const QStringList& arguments) {
    environment.insert("VANTOREL_TEST_CONTROL", folder + "/control");
    process_ = std::make_unique<TestDaemonProcess>(program, arguments, environment,
                                                   folder + "/vantorel.log");
    for (int attempt = 0; attempt < 100 && process_->isRunning(); ++attempt) {
        control_.connectToServer(folder + "/control");
        if (control_.waitForConnected(100))
            return;
        QThread::msleep(100);
    }
    throw std::runtime_error(failure("the test control never answered").toStdString());
}

QString RunningApp::ask(const QString& request) {
    control_.write((request + '\n').toUtf8());
    control_.waitForBytesWritten(5000);
    while (!control_.canReadLine())
        if (!control_.waitForReadyRead(10000))
            throw std::runtime_error(failure("no answer to " + request).toStdString());
    const QString reply = QString::fromUtf8(control_.readLine()).trimmed();
    if (reply != "ok" && !reply.startsWith("ok "))
        throw std::runtime_error((request + ": " + reply).toStdString());
    return reply.mid(2).trimmed();
}

QRect RunningApp::rectangle(const QString& request) {
    const QStringList numbers = ask(request).split(' ');
    if (numbers.size() != 4)
        throw std::runtime_error((request + " gave no rectangle").toStdString());
    return {numbers[0].toInt(), numbers[1].toInt(), numbers[2].toInt(), numbers[3].toInt()};
}

} // namespace vantorel::test
