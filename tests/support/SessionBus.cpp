#include "support/SessionBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <csignal>
#include <fstream>
#include <stdexcept>
#include <sys/prctl.h>

namespace vantorel::test {

TestDaemonProcess::TestDaemonProcess(const QString& program, const QStringList& arguments,
                                     const QProcessEnvironment& environment, const QString& logPath,
                                     bool readsOutput)
    : logPath_(logPath) {
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(readsOutput ? QProcess::SeparateChannels
                                               : QProcess::MergedChannels);
    readsOutput ? process_.setStandardErrorFile(logPath) : process_.setStandardOutputFile(logPath);
    // Runs in the child before exec: the kernel kills it when the test process ends.
    process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_.start(program, arguments);
    if (!process_.waitForStarted(5000))
        throw std::runtime_error(failure(program + " does not start").toStdString());
}

TestDaemonProcess::~TestDaemonProcess() {
    process_.terminate();
    if (!process_.waitForFinished(2000))
        process_.kill();
    process_.waitForFinished(2000);
}

QString TestDaemonProcess::readLine(std::chrono::milliseconds limit) {
    for (QDeadlineTimer deadline(limit); !process_.canReadLine();) {
        if (deadline.hasExpired() || !isRunning())
            throw std::runtime_error(
                failure(process_.program() + " printed no line").toStdString());
        process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    }
    return QString::fromLocal8Bit(process_.readLine()).trimmed();
}

QString TestDaemonProcess::failure(const QString& what) const {
    QFile log(logPath_);
    return what + "; it said:\n" + (log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray());
}

SessionBus::SessionBus(Role role)
    : role_(role)
    , folder_(QDir::tempPath() + "/vantorel-bus-XXXXXX") {
    // Like the stock session bus, minus service activation: a test that expects no notification
    // daemon must not have one started for it.
    const QString config = folder_.filePath("bus.conf");
    std::ofstream(config.toStdString())
        << "<busconfig><listen>unix:dir=" << folder_.path().toStdString()
        << "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow own=\"*\"/>"
           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
           "</policy></busconfig>\n";
    daemon_ = std::make_unique<TestDaemonProcess>(
        "dbus-daemon", QStringList{"--config-file=" + config, "--nofork", "--print-address=1"},
        QProcessEnvironment::systemEnvironment(), folder_.filePath("dbus-daemon.log"), true);
    address_ = daemon_->readLine(std::chrono::seconds(10)); // once it listens
    if (role_ == Role::processSessionBus)
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toLocal8Bit());
}

SessionBus::~SessionBus() {
    QDBusConnection::disconnectFromBus(address_);
    if (role_ == Role::processSessionBus)
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
}

quint32 SessionBus::ownerOf(const QString& name) const {
    const auto connection = QDBusConnection::connectToBus(address_, address_);
    return connection.isConnected() ? connection.interface()->servicePid(name).value() : 0;
}

} // namespace vantorel::test
