#include "support/NotificationDaemon.h"

#include "support/NotificationDaemonRecorder.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace vantorel::test {
namespace {

const QString name = "org.freedesktop.Notifications";
const QString path = "/org/freedesktop/Notifications";

// Dunst keeps only the last 20 in its history and folds identical notifications into one,
// unless told otherwise; tests must see every notification that arrived.
const char* const configuration = "[global]\nhistory_length = 1000\nstack_duplicates = false\n"
                                  "notification_limit = 0\nidle_threshold = 0\n";

} // namespace

NotificationDaemon::NotificationDaemon(const SessionBus& bus)
    : bus_(bus)
    , folder_(QDir::tempPath() + "/vantorel-dunst-XXXXXX") {
    auto environment = QProcessEnvironment::systemEnvironment();
    // -displayfd lets Xvfb pick a free display and say which once it accepts clients.
    display_ = std::make_unique<TestDaemonProcess>(
        "Xvfb", QStringList{"-displayfd", "1", "-nolisten", "tcp"}, environment,
        folder_.filePath("xvfb.log"), true);
    environment.insert("DISPLAY", ":" + display_->readLine(std::chrono::seconds(10)));
    environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    environment.remove("WAYLAND_DISPLAY");
    std::ofstream(folder_.filePath("dunstrc").toStdString()) << configuration;
    dunst_ = std::make_unique<TestDaemonProcess>(
        "dunst", QStringList{"-config", folder_.filePath("dunstrc")}, environment,
        folder_.filePath("dunst.log"));
    spinUntil([&] { return !dunst_->isRunning() || bus_.ownerOf(name) == dunst_->pid(); });
    if (bus_.ownerOf(name) != dunst_->pid())
        throw std::runtime_error(dunst_->failure("dunst did not take " + name).toStdString());
}

NotificationDaemon::~NotificationDaemon() {
    dunst_.reset();
    spinUntil([this] { return bus_.ownerOf(name) == 0; }, std::chrono::seconds(5));
}

std::vector<ShownNotification> NotificationDaemon::received() {
    const auto dunst = [this](const char* method) {
        const QDBusMessage reply =
            QDBusConnection::connectToBus(bus_.address(), bus_.address())
                .call(QDBusMessage::createMethodCall(name, path, "org.dunstproject.cmd0", method));
        if (reply.type() != QDBusMessage::ReplyMessage)
            throw std::runtime_error(("dunst: " + reply.errorMessage()).toStdString());
        return reply.arguments().value(0);
    };
    dunst("NotificationCloseAll");
    std::vector<ShownNotification> notifications;
    for (const QVariantMap& entry :
         qdbus_cast<QList<QVariantMap>>(dunst("NotificationListHistory")))
        notifications.push_back(
            {entry["id"].toInt(), entry["appname"].toString(), entry["summary"].toString()});
    std::ranges::sort(notifications, {}, &ShownNotification::id);
    return notifications;
}

NotificationDaemonRecorder::NotificationDaemonRecorder(const SessionBus& bus, Replies replies)
    : replies_(replies)
    , connection_("recorder-" + bus.address()) {
    auto connection = QDBusConnection::connectToBus(bus.address(), connection_);
    if (!connection.registerVirtualObject(path, this) || !connection.registerService(name)) {
        QDBusConnection::disconnectFromBus(connection_);
        throw std::runtime_error("the recorder cannot take " + name.toStdString());
    }
}

NotificationDaemonRecorder::~NotificationDaemonRecorder() {
    // Giving the name up is a call the bus answers, so the name is free once it returns.
    QDBusConnection(connection_).unregisterService(name);
    QDBusConnection::disconnectFromBus(connection_);
}

// Raw messages rather than exported slots: it sees every argument exactly as sent, and a call
// with the wrong signature is refused rather than silently converted.
bool NotificationDaemonRecorder::handleMessage(const QDBusMessage& call,
                                               const QDBusConnection& connection) {
    QDBusMessage reply;
    const QVariantList a = call.arguments();
    if (call.member() == "Notify" && call.signature() == "susssasa{sv}i") {
        notifications_.push_back({a[0].toString(), a[1].toUInt(), a[2].toString(), a[3].toString(),
                                  a[4].toString(), qdbus_cast<QVariantMap>(a[6]), a[7].toInt()});
        reply = call.createReply(QVariant::fromValue(quint32(notifications_.size())));
    } else if (call.member() == "GetServerInformation" && a.isEmpty()) {
        ++serverInformationRequests_;
        reply = call.createReply(QVariantList{"vantorel-test-recorder", "Vantorel", "1.0", "1.2"});
    } else {
        reply = call.createErrorReply(QDBusError::UnknownMethod, "not recorded: " + call.member());
    }
    if (replies_ == Replies::answer)
        connection.send(reply);
    return true;
}

} // namespace vantorel::test
