#include "TestControl.h"

#include "app/Application.h"
#include "settings/Preferences.h"
#include "targets/HostStore.h"
#include "ui/preferences/PreferencesWindow.h"
#include "ui/tray/TrayExtra.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QWidget>

namespace vantorel {

namespace {

QString rectangle(const QRect& rect) {
    return QStringLiteral("%1 %2 %3 %4")
        .arg(rect.x())
        .arg(rect.y())
        .arg(rect.width())
        .arg(rect.height());
}

QRect globalRect(const QWidget& widget) {
    return QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size());
}

// Visible widgets of that name, window by window, each window's in the order they were made.
QList<QWidget*> visibleWidgets(const QString& name) {
    QList<QWidget*> found;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        if (window->objectName() == name)
            found.append(window);
        for (QWidget* child : window->findChildren<QWidget*>(name)) {
            if (child->isVisible())
                found.append(child);
        }
    }
    return found;
}

const char* healthName(TargetHealth health) {
    switch (health) {
    case TargetHealth::off:
        return "off";
    case TargetHealth::ok:
        return "ok";
    case TargetHealth::warn:
        return "warn";
    case TargetHealth::down:
        break;
    }
    return "down";
}

} // namespace

TestControl::TestControl(Application& application, const QString& socketPath)
    : QObject(&application)
    , application_(application)
    , server_(new QLocalServer(this)) {
    QLocalServer::removeServer(socketPath);
    if (!server_->listen(socketPath))
        qFatal("test control: cannot listen on %s: %s", qPrintable(socketPath),
               qPrintable(server_->errorString()));
    connect(server_, &QLocalServer::newConnection, this, &TestControl::accept);
}

TestControl::~TestControl() = default;

void TestControl::accept() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        connect(client, &QLocalSocket::readyRead, this, [this, client] { serve(*client); });
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
    }
}

void TestControl::serve(QLocalSocket& client) {
    while (client.canReadLine()) {
        const QString request = QString::fromUtf8(client.readLine()).trimmed();
        client.write((answer(request) + '\n').toUtf8());
        client.flush();
    }
}

QString TestControl::answer(const QString& request) {
    const QStringList words = request.split(' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QStringLiteral("error empty request");
    const QString& command = words[0];

    if (command == QLatin1String("geometry") && words.size() >= 2) {
        if (words[1] == QLatin1String("tray"))
            return "ok " + rectangle(application_.tray()->iconGeometry());
        const auto widgets = visibleWidgets(words[1]);
        const int index = words.size() > 2 ? words[2].toInt() : 0;
        if (index < 0 || index >= widgets.size())
            return QStringLiteral("error no visible %1 number %2").arg(words[1]).arg(index);
        return "ok " + rectangle(globalRect(*widgets[index]));
    }
    if (command == QLatin1String("visible") && words.size() == 2)
        return visibleWidgets(words[1]).isEmpty() ? QStringLiteral("ok no")
                                                  : QStringLiteral("ok yes");
    if (command == QLatin1String("window"))
        return application_.mainWindow() ? QStringLiteral("ok open") : QStringLiteral("ok closed");
    if (command == QLatin1String("warning"))
        return application_.tray()->warningShown() ? QStringLiteral("ok yes")
                                                   : QStringLiteral("ok no");
    if (command == QLatin1String("targets")) {
        QJsonArray targets;
        for (const auto& target : application_.store().targets())
            targets.append(QJsonObject{{"name", target->spec().displayName()},
                                       {"enabled", target->enabled()},
                                       {"health", healthName(target->health())}});
        return "ok " + QString::fromUtf8(QJsonDocument(targets).toJson(QJsonDocument::Compact));
    }
    if (command == QLatin1String("enable-all")) {
        for (const auto& target : application_.store().targets())
            target->setEnabled(true);
        return QStringLiteral("ok");
    }
    if (command == QLatin1String("select") && words.size() == 2) {
        auto* window = qobject_cast<MainWindow*>(application_.mainWindow());
        const auto& targets = application_.store().targets();
        bool isNumber = false;
        const int index = words[1].toInt(&isNumber);
        if (!window || !isNumber || index < 0 || index >= int(targets.size()))
            return QStringLiteral("error no main window or no target number %1").arg(words[1]);
        window->select(targets[std::size_t(index)]->id());
        return QStringLiteral("ok");
    }
    if (command == QLatin1String("close-window")) {
        if (QWidget* window = application_.mainWindow())
            window->close();
        return QStringLiteral("ok");
    }
    if (command == QLatin1String("open-window")) {
        application_.openMainWindow();
        return QStringLiteral("ok");
    }
    if (command == QLatin1String("add-target")) {
        auto* window = qobject_cast<MainWindow*>(application_.mainWindow());
        if (!window)
            return QStringLiteral("error the main window is closed");
        window->showAddTarget();
        return QStringLiteral("ok");
    }
    if (command == QLatin1String("preferences")) {
        PreferencesWindow::showWindow();
        return QStringLiteral("ok");
    }
    if (command == QLatin1String("set") && words.size() == 3) {
        Preferences::instance().setValue(words[1], words[2]);
        return QStringLiteral("ok");
    }
    if (command == QLatin1String("grab") && words.size() == 3) {
        const auto widgets = visibleWidgets(words[1]);
        if (widgets.isEmpty())
            return QStringLiteral("error no visible %1").arg(words[1]);
        return widgets.front()->window()->grab().save(words[2], "PNG")
                   ? QStringLiteral("ok")
                   : QStringLiteral("error cannot write %1").arg(words[2]);
    }
    return QStringLiteral("error unknown request: %1").arg(request);
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
