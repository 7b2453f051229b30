#pragma once

#include <QString>

// Starting with the desktop session: an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/org.vantorel.Vantorel.desktop, that runs "vantorel --hidden" (in the
// tray, the window closed) when the user logs in.
namespace vantorel::login_start {

QString entryPath();
// Whether the entry is there and not switched off (Hidden=true, or GNOME's own switch).
bool enabled();
// Writes or removes the entry; false when that failed, the entry then being as it was.
bool setEnabled(bool on);
// The entry's text for the program at that command ("vantorel", or a path when the program that
// runs is not the one on the PATH).
QString entryText(const QString& command);
// A program's path as the entry's command: quoted as desktop entries quote arguments.
QString execPath(const QString& path);

} // namespace vantorel::login_start
