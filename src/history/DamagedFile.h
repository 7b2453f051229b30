#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace vantorel {

// Renames a damaged database file, with its -wal and -shm companions, to
// "<file>.damaged-<UTC time>" (a number appended if that exists), so that a fresh database can
// take its place while the old contents stay on disk for whoever wants to look at them.
// Returns the new name of the main file, or none with `error` set when it could not be moved.
std::optional<QString> moveDamagedFileAside(const QString& file, const QDateTime& nowUtc,
                                            QString& error);

} // namespace vantorel
