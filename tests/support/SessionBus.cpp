#include "support/SessionBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <cstdlib>
#include <stdexcept>

namespace vantorel::test {

namespace {

// Like the stock session bus, minus service activation: a test that expects no notification
// daemon must not have one started for it.
QByteArray configuration(const QString& socketFolder) {
    return QStringLiteral(
               R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)")
        .arg(socketFolder)
        .toUtf8();
}

const char* const kAddressVariable = "DBUS_SESSION_BUS_ADDRESS";

} // namespace

SessionBus::SessionBus(Role role)
    : role_(role)
    , folder_(QDir::tempPath() + "/vantorel-bus-XXXXXX") {
    if (!folder_.isValid())
        throw std::runtime_error("cannot create a folder for a private bus");
    QFile config(folder_.filePath("bus.conf"));
    if (!config.open(QIODevice::WriteOnly) || config.write(configuration(folder_.path())) < 0)
        throw std::runtime_error("cannot write the private bus configuration");
    config.close();

    daemon_ = std::make_unique<TestDaemonProcess>(
        "dbus-daemon",
        QStringList{"--config-file=" + config.fileName(), "--nofork", "--print-address=1"},
        QProcessEnvironment::systemEnvironment(), folder_.filePath("dbus-daemon.log"), true);
    // The daemon prints its address only once it listens, so clients can connect from here on.
    address_ = daemon_->readLine(std::chrono::seconds(10));
    if (address_.isEmpty())
        throw std::runtime_error(daemon_->failure("dbus-daemon printed no address").toStdString());
    connectionName_ = "vantorel-test-bus-" + address_;
    if (role_ == Role::processSessionBus)
        ::setenv(kAddressVariable, address_.toLocal8Bit().constData(), 1);
}

SessionBus::~SessionBus() {
    QDBusConnection::disconnectFromBus(connectionName_);
    if (role_ == Role::processSessionBus && qEnvironmentVariable(kAddressVariable) == address_)
        ::unsetenv(kAddressVariable);
}

quint32 SessionBus::ownerOf(const QString& name) const {
    auto connection = QDBusConnection::connectToBus(address_, connectionName_);
    if (!connection.isConnected())
        return 0;
    const QDBusReply<uint> owner = connection.interface()->servicePid(name);
    return owner.isValid() ? owner.value() : 0;
}

namespace {
std::unique_ptr<SessionBus>& environmentBus() {
    static std::unique_ptr<SessionBus> bus;
    return bus;
}
} // namespace

void SessionBusEnvironment::SetUp() {
    try {
        environmentBus() = std::make_unique<SessionBus>();
    } catch (const std::exception& failure) {
        FAIL() << "no private session bus: " << failure.what();
    }
}

void SessionBusEnvironment::TearDown() {
    environmentBus().reset();
}

SessionBus& SessionBusEnvironment::bus() {
    if (!environmentBus())
        throw std::logic_error("the private session bus is not running");
    return *environmentBus();
}

} // namespace vantorel::test
