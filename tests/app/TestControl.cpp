#include "TestControl.h"

#include "app/Application.h"
#include "targets/HostStore.h"
#include "ui/tray/TrayExtra.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

namespace vantorel {

namespace {

QString rectangle(const QRect& rect) {
    return QStringLiteral("ok %1 %2 %3 %4")
        .arg(rect.x())
        .arg(rect.y())
        .arg(rect.width())
        .arg(rect.height());
}

// Visible widgets of that name, window by window, each window's in the order they were made.
QList<QWidget*> visibleWidgets(const QString& name) {
    QList<QWidget*> found;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->objectName() == name)
            found.append(window);
        for (QWidget* child : window->findChildren<QWidget*>(name))
            if (window->isVisible() && child->isVisible())
                found.append(child);
    }
    return found;
}

} // namespace

TestControl::TestControl(Application& application, const QString& socketPath)
    : QObject(&application)
    , application_(application)
    , server_(new QLocalServer(this)) {
    if (!server_->listen(socketPath))
        qFatal("test control: cannot listen on %s", qPrintable(socketPath));
    connect(server_, &QLocalServer::newConnection, this, [this] {
        QLocalSocket* client = server_->nextPendingConnection();
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            while (client->canReadLine())
                client->write(
                    (answer(QString::fromUtf8(client->readLine()).trimmed()) + '\n').toUtf8());
        });
    });
}

QString TestControl::answer(const QString& request) {
    const QStringList words = request.split(' ', Qt::SkipEmptyParts);
    const QString command = words.value(0);
    const auto yesNo = [](bool yes) { return QString(yes ? "ok yes" : "ok no"); };
    const auto& targets = application_.store().targets();
    auto* window = qobject_cast<MainWindow*>(application_.mainWindow());
    if (command == "geometry" && words.value(1) == "tray")
        return rectangle(application_.tray()->iconGeometry());
    if (command == "geometry" || command == "grab") {
        const auto widgets = visibleWidgets(words.value(1));
        const int index = command == "geometry" ? words.value(2).toInt() : 0;
        if (index < 0 || index >= widgets.size())
            return "error no visible " + words.value(1);
        QWidget& widget = *widgets[index];
        if (command == "geometry")
            return rectangle({widget.mapToGlobal(QPoint(0, 0)), widget.size()});
        return widget.window()->grab().save(words.value(2), "PNG") ? "ok" : "error cannot write";
    }
    if (command == "visible")
        return yesNo(!visibleWidgets(words.value(1)).isEmpty());
    if (command == "warning")
        return yesNo(application_.tray()->warningShown());
    if (command == "window")
        return window ? "ok open" : "ok closed";
    if (command == "targets") {
        QJsonArray states;
        const char* const health[] = {"off", "ok", "warn", "down"};
        for (const auto& target : targets)
            states.append(QJsonObject{{"name", target->spec().displayName()},
                                      {"enabled", target->enabled()},
                                      {"health", health[int(target->health())]}});
        return "ok " + QJsonDocument(states).toJson(QJsonDocument::Compact);
    }
    if (command == "enable-all") {
        for (const auto& target : targets)
            target->setEnabled(true);
        return "ok";
    }
    const auto index = std::size_t(words.value(1).toUInt());
    if (command == "select" && window && index < targets.size()) {
        window->select(targets[index]->id());
        return "ok";
    }
    if (command == "close-window" && window) {
        window->close();
        return "ok";
    }
    return "error cannot do: " + request;
}

} // namespace vantorel

// Runs as the QApplication is made, before main() has built and launched the Application, so the
// control attaches on the first turn of the event loop, when the Application is a child of it.
static void startTestControl() {
    const QString path = qEnvironmentVariable("VANTOREL_TEST_CONTROL");
    if (path.isEmpty())
        return;
    QTimer::singleShot(0, QCoreApplication::instance(), [path] {
        auto* application = QCoreApplication::instance()->findChild<vantorel::Application*>(
            QString(), Qt::FindDirectChildrenOnly);
        if (!application)
            qFatal("test control: the program made no Application");
        new vantorel::TestControl(*application, path);
    });
}
Q_COREAPP_STARTUP_FUNCTION(startTestControl)
