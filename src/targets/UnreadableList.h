#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace vantorel {

class Preferences;

// Keeps a stored target list that could not be read beside it, under
// "targetsV2.unreadable-<UTC time>", so that the next save of the list the application falls back
// to cannot take the user's targets with it. A list kept before is reused, never overwritten, and
// a new copy is announced with one line in the system log. Returns the key of the copy.
QString keepUnreadableList(Preferences& preferences, const QByteArray& list,
                           const QDateTime& nowUtc);

} // namespace vantorel
