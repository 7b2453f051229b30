#include "support/NotificationDaemonRecorder.h"

#include "support/EventLoop.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QMutex>
#include <QMutexLocker>
#include <QUuid>
#include <stdexcept>

namespace vantorel::test {

namespace {
const QString kName = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kNotifySignature = QStringLiteral("susssasa{sv}i");
} // namespace

// Handles raw messages rather than exported slots, so it sees every argument exactly as sent
// and a call with the wrong signature is refused rather than silently converted.
class NotificationDaemonRecorder::Service : public QDBusVirtualObject {
public:
    explicit Service(Replies replies)
        : replies_(replies) {}

    std::vector<RecordedNotification> notifications() const {
        QMutexLocker lock(&mutex_);
        return notifications_;
    }

    int serverInformationRequests() const {
        QMutexLocker lock(&mutex_);
        return serverInformationRequests_;
    }

    QString introspect(const QString&) const override {
        return QStringLiteral(R"(<interface name="org.freedesktop.Notifications">
  <method name="Notify">
    <arg type="s" direction="in"/><arg type="u" direction="in"/><arg type="s" direction="in"/>
    <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="as" direction="in"/>
    <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
    <arg type="u" direction="out"/>
  </method>
  <method name="GetServerInformation">
    <arg type="s" direction="out"/><arg type="s" direction="out"/>
    <arg type="s" direction="out"/><arg type="s" direction="out"/>
  </method>
  <method name="GetCapabilities"><arg type="as" direction="out"/></method>
  <method name="CloseNotification"><arg type="u" direction="in"/></method>
</interface>
)");
    }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.type() != QDBusMessage::MethodCallMessage ||
            (!message.interface().isEmpty() && message.interface() != kInterface))
            return false;
        const auto member = message.member();
        if (member == "Notify" && message.signature() == kNotifySignature) {
            const auto id = record(message);
            answer(connection, message.createReply(QVariant::fromValue(id)));
        } else if (member == "GetServerInformation" && message.signature().isEmpty()) {
            {
                QMutexLocker lock(&mutex_);
                ++serverInformationRequests_;
            }
            answer(connection, message.createReply(QVariantList{"vantorel-test-recorder",
                                                                "Vantorel", "1.0", "1.2"}));
        } else if (member == "GetCapabilities") {
            answer(connection, message.createReply(QStringList{"body", "sound"}));
        } else if (member == "CloseNotification") {
            answer(connection, message.createReply());
        } else {
            connection.send(message.createErrorReply(QDBusError::UnknownMethod,
                                                     "not a notification call: " + member));
        }
        return true;
    }

private:
    quint32 record(const QDBusMessage& message) {
        const auto arguments = message.arguments();
        RecordedNotification call;
        call.appName = arguments.at(0).toString();
        call.replacesId = arguments.at(1).toUInt();
        call.appIcon = arguments.at(2).toString();
        call.summary = arguments.at(3).toString();
        call.body = arguments.at(4).toString();
        call.actions = arguments.at(5).toStringList();
        call.hints = qdbus_cast<QVariantMap>(arguments.at(6));
        call.expireTimeout = arguments.at(7).toInt();
        QMutexLocker lock(&mutex_);
        notifications_.push_back(call);
        return static_cast<quint32>(notifications_.size());
    }

    void answer(const QDBusConnection& connection, const QDBusMessage& reply) const {
        if (replies_ == Replies::answer)
            connection.send(reply);
    }

    const Replies replies_;
    mutable QMutex mutex_;
    std::vector<RecordedNotification> notifications_;
    int serverInformationRequests_ = 0;
};

NotificationDaemonRecorder::NotificationDaemonRecorder(const SessionBus& bus, Replies replies)
    : connectionName_("vantorel-test-recorder-" +
                      QUuid::createUuid().toString(QUuid::WithoutBraces))
    , connection_(QDBusConnection::connectToBus(bus.address(), connectionName_))
    , service_(std::make_unique<Service>(replies)) {
    if (!connection_.isConnected()) {
        QDBusConnection::disconnectFromBus(connectionName_);
        throw std::runtime_error("the recorder cannot connect to the test bus");
    }
    thread_.setObjectName("notification-recorder");
    thread_.start();
    service_->moveToThread(&thread_);
    if (!connection_.registerVirtualObject(kPath, service_.get()) ||
        !connection_.registerService(kName)) {
        connection_.unregisterObject(kPath);
        QDBusConnection::disconnectFromBus(connectionName_);
        thread_.quit();
        thread_.wait();
        throw std::runtime_error("the recorder cannot take " + kName.toStdString() +
                                 " (is another notification daemon running?)");
    }
}

NotificationDaemonRecorder::~NotificationDaemonRecorder() {
    // Giving the name up is a call the bus answers, so the name is free once it returns.
    connection_.unregisterService(kName);
    connection_.unregisterObject(kPath);
    QDBusConnection::disconnectFromBus(connectionName_);
    thread_.quit();
    thread_.wait();
}

std::vector<RecordedNotification> NotificationDaemonRecorder::notifications() const {
    return service_->notifications();
}

int NotificationDaemonRecorder::serverInformationRequests() const {
    return service_->serverInformationRequests();
}

std::vector<RecordedNotification>
NotificationDaemonRecorder::waitForNotifications(std::size_t count,
                                                 std::chrono::milliseconds limit) const {
    spinUntil([&] { return service_->notifications().size() >= count; }, limit);
    return service_->notifications();
}

} // namespace vantorel::test
