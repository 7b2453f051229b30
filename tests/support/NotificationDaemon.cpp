#include "support/NotificationDaemon.h"

#include "support/EventLoop.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <stdexcept>

namespace vantorel::test {

namespace {

const QString kNotificationsName = QStringLiteral("org.freedesktop.Notifications");

// By default dunst keeps only the last 20 in its history and folds identical notifications
// into one; tests need to see every notification that arrived.
const QByteArray kDunstConfiguration = R"([global]
    history_length = 1000
    stack_duplicates = false
    notification_limit = 0
    idle_threshold = 0
)";

// busctl's JSON form of one a{sv} entry: every member is {"type": ..., "data": ...}.
ShownNotification shownNotification(const QJsonObject& entry) {
    const auto member = [&entry](const char* name) { return entry.value(name)["data"]; };
    return {member("id").toInt(), member("appname").toString(), member("summary").toString(),
            member("body").toString()};
}

} // namespace

NotificationDaemon::NotificationDaemon(const SessionBus& bus)
    : bus_(bus)
    , folder_(QDir::tempPath() + "/vantorel-dunst-XXXXXX") {
    if (!folder_.isValid())
        throw std::runtime_error("cannot create a folder for dunst");

    // -displayfd lets Xvfb pick a free display itself and tells us which once it accepts clients.
    display_ = std::make_unique<TestDaemonProcess>(
        "Xvfb", QStringList{"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "800x600x24"},
        QProcessEnvironment::systemEnvironment(), folder_.filePath("xvfb.log"), true);
    const auto display = display_->readLine(std::chrono::seconds(10));

    QFile config(folder_.filePath("dunstrc"));
    if (!config.open(QIODevice::WriteOnly) || config.write(kDunstConfiguration) < 0)
        throw std::runtime_error("cannot write dunst's configuration");
    config.close();

    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    environment.insert("DISPLAY", ":" + display);
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("XDG_CONFIG_HOME", folder_.path());
    dunst_ = std::make_unique<TestDaemonProcess>("dunst", QStringList{"-config", config.fileName()},
                                                 environment, folder_.filePath("dunst.log"));

    const auto ownsName = [this] {
        return !dunst_->isRunning() || bus_.ownerOf(kNotificationsName) == dunst_->pid();
    };
    if (!spinUntil(ownsName, std::chrono::seconds(10)) || !dunst_->isRunning())
        throw std::runtime_error(
            dunst_->failure("dunst did not take " + kNotificationsName).toStdString());
}

NotificationDaemon::~NotificationDaemon() {
    dunst_.reset();
    display_.reset();
    spinUntil([this] { return bus_.ownerOf(kNotificationsName) == 0; }, std::chrono::seconds(5));
}

QByteArray NotificationDaemon::dunstctl(const QStringList& arguments) const {
    QProcess command;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", bus_.address());
    command.setProcessEnvironment(environment);
    command.start("dunstctl", arguments);
    if (!command.waitForFinished(10000) || command.exitStatus() != QProcess::NormalExit ||
        command.exitCode() != 0)
        throw std::runtime_error(("dunstctl " + arguments.join(' ') + " failed: " +
                                  QString::fromLocal8Bit(command.readAllStandardError()))
                                     .toStdString());
    return command.readAllStandardOutput();
}

std::vector<ShownNotification> NotificationDaemon::received() {
    dunstctl({"close-all"});
    QJsonParseError error;
    const auto history = QJsonDocument::fromJson(dunstctl({"history"}), &error);
    if (error.error != QJsonParseError::NoError)
        throw std::runtime_error("dunstctl history printed no JSON: " +
                                 error.errorString().toStdString());
    std::vector<ShownNotification> notifications;
    for (const auto entry : history["data"][0].toArray())
        notifications.push_back(shownNotification(entry.toObject()));
    std::sort(notifications.begin(), notifications.end(),
              [](const auto& a, const auto& b) { return a.id < b.id; });
    return notifications;
}

std::vector<ShownNotification>
NotificationDaemon::waitForReceived(std::size_t count, std::chrono::milliseconds limit) {
    std::vector<ShownNotification> notifications;
    spinUntil(
        [&] {
            notifications = received();
            return notifications.size() >= count;
        },
        limit);
    return notifications;
}

} // namespace vantorel::test
