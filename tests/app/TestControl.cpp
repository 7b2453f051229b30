// The remote control of the tests' own copy of the program (vantorel_under_test), on the socket
// VANTOREL_TEST_CONTROL names: the end-to-end test and the idle-cost benchmark ask where things are
// on screen to click them, read the state, and do what a bare X server has no control for.
// One request a line, one reply a line: "ok[ <result>]" or "error ...".
//   geometry tray | geometry <objectName> [index]   "x y w h" on screen (of the index-th visible)
//   visible <objectName>, warning                   "yes" or "no" (the tray's warning sign)
//   window, active        "open" or "closed"; "yes" once a window of ours has the keyboard
//   targets       a JSON array of {name, kind, enabled, health, selected, id, samples,
//                 counter: the number of the newest sample}
//   focus, note            the focus widget's accessible name; the window's removal note
//   tray-menu                                       the tray menu's entries, "|" between them
//   enable-all, select <index>, close-window        as the user's switches, card and close button
//   activate-tray, hide-window          a click on the tray icon; the window hidden, not closed
//   add <host>, preferences                         a host ping added as the sheet does; Ctrl+,
//   grab <objectName> <file.png>                    a picture of that widget's window
#include "app/Application.h"
#include "monitor/PingMonitor.h"
#include "targets/HostStore.h"
#include "ui/preferences/PreferencesWindow.h"
#include "ui/tray/TrayExtra.h"
#include "ui/tray/TrayMenu.h"
#include "ui/window/MainWindow.h"

#include <QAccessible>
#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSystemTrayIcon>
#include <QTimer>

namespace vantorel {
namespace {

QString rectangle(const QRect& r) {
    return QStringLiteral("ok %1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
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

QString answer(Application& application, const QString& request) {
    const QStringList words = request.split(' ', Qt::SkipEmptyParts);
    const QString command = words.value(0);
    const auto yesNo = [](bool yes) { return QString(yes ? "ok yes" : "ok no"); };
    const auto& targets = application.store().targets();
    auto* window = qobject_cast<MainWindow*>(application.mainWindow());
    if (command == "geometry" && words.value(1) == "tray")
        return rectangle(application.tray()->iconGeometry());
    if (command == "geometry" || command == "grab") {
        const auto widgets = visibleWidgets(words.value(1));
        const int index = command == "geometry" ? words.value(2).toInt() : 0;
        if (index < 0 || index >= widgets.size())
            return "error no visible " + words.value(1);
        if (command == "geometry")
            return rectangle({widgets[index]->mapToGlobal(QPoint(0, 0)), widgets[index]->size()});
        return widgets[0]->window()->grab().save(words.value(2), "PNG") ? "ok" : "error not saved";
    }
    if (command == "visible")
        return yesNo(!visibleWidgets(words.value(1)).isEmpty());
    if (command == "warning")
        return yesNo(application.tray()->warningShown());
    if (command == "window")
        return window ? "ok open" : "ok closed";
    if (command == "active")
        return yesNo(QApplication::activeWindow() != nullptr);
    if (command == "targets") {
        QJsonArray states;
        const char* const health[] = {"off", "ok", "warn", "down"};
        for (const auto& target : targets)
            states.append(
                QJsonObject{{"name", target->spec().displayName()},
                            {"kind", label(target->spec().kind)},
                            {"enabled", target->enabled()},
                            {"health", health[int(target->health())]},
                            {"selected", window && window->selection() == target->id()},
                            {"id", target->id().toString()},
                            {"samples", qint64(target->monitors().front()->samples().size())},
                            {"counter", qint64(target->monitors().front()->counter())}});
        return "ok " + QString::fromUtf8(QJsonDocument(states).toJson(QJsonDocument::Compact));
    }
    if (command == "focus") {
        const auto* focused = QAccessible::queryAccessibleInterface(QApplication::focusWidget());
        return "ok " + (focused ? focused->text(QAccessible::Name) : QString());
    }
    if (command == "note" && window)
        return "ok " + window->removalNote();
    if (command == "tray-menu") {
        auto* menu = static_cast<TrayMenu*>(application.tray()->menu());
        return "ok " + (menu ? menu->entries().join('|') : QString());
    }
    const auto index = std::size_t(words.value(1).toUInt());
    if (command == "activate-tray")
        Q_EMIT application.tray()->findChild<QSystemTrayIcon*>()->activated(
            QSystemTrayIcon::Trigger);
    else if (command == "hide-window" && window)
        window->hide();
    else if (command == "enable-all")
        std::ranges::for_each(targets, [](const auto& target) { target->setEnabled(true); });
    else if (command == "add" && window)
        window->addTarget({TargetKind::hostPing, words.value(1), "", 24});
    else if (command == "preferences")
        PreferencesWindow::showWindow();
    else if (command == "select" && window && index < targets.size())
        window->select(targets[index]->id());
    else if (command == "close-window" && window)
        window->close();
    else
        return "error cannot do: " + request;
    return "ok";
}

// Runs as the QApplication is made, before main() has built and launched the Application, so the
// control attaches on the first turn of the event loop, when the Application is a child of it.
void startTestControl() {
    const QString path = qEnvironmentVariable("VANTOREL_TEST_CONTROL");
    if (path.isEmpty())
        return;
    QTimer::singleShot(0, QCoreApplication::instance(), [path] {
        auto* application = qApp->findChild<Application*>(QString(), Qt::FindDirectChildrenOnly);
        auto* server = new QLocalServer(application);
        if (!application || !server->listen(path))
            qFatal("test control: no Application, or cannot listen on %s", qPrintable(path));
        QObject::connect(server, &QLocalServer::newConnection, server, [server, application] {
            QLocalSocket* client = server->nextPendingConnection();
            QObject::connect(client, &QLocalSocket::readyRead, client, [client, application] {
                while (client->canReadLine()) {
                    const auto request = QString::fromUtf8(client->readLine()).trimmed();
                    client->write((answer(*application, request) + '\n').toUtf8());
                }
            });
        });
    });
}

Q_COREAPP_STARTUP_FUNCTION(startTestControl)

} // namespace
} // namespace vantorel
