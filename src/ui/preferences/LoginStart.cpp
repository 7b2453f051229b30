#include "ui/preferences/LoginStart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace vantorel::login_start {

namespace {

const QString kProgram = QStringLiteral("vantorel");

// The program as the entry names it: by name when the shell would find this very program that
// way, else by its path.
QString command() {
    const QString running = QCoreApplication::applicationFilePath();
    const QString onPath = QStandardPaths::findExecutable(kProgram);
    if (!onPath.isEmpty() &&
        QFileInfo(onPath).canonicalFilePath() == QFileInfo(running).canonicalFilePath())
        return kProgram;
    return execPath(running);
}

} // namespace

QString execPath(const QString& path) {
    QString quoted = path;
    for (const QString special : {"\\", "\"", "`", "$"})
        quoted.replace(special, QLatin1Char('\\') + special);
    // The line is read as a string, which undoes one level of backslashes, before it is split
    // into arguments: a path's backslash takes four in the file.
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString entryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/" VANTOREL_APP_ID ".desktop");
}

QString entryText(const QString& command) {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Vantorel\n"
                          "Comment=Watch hosts, routes and services from the tray\n"
                          "Exec=%1 --hidden\n"
                          "Icon=" VANTOREL_APP_ID "\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(command);
}

bool enabled() {
    QFile entry(entryPath());
    if (!entry.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    while (!entry.atEnd()) {
        const QByteArray line = entry.readLine().trimmed();
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

bool setEnabled(bool on) {
    const QString path = entryPath();
    if (!on)
        return !QFile::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile entry(path);
    if (!entry.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    entry.write(entryText(command()).toUtf8());
    return entry.commit();
}

} // namespace vantorel::login_start
