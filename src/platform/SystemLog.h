#pragma once

#include <QString>

namespace vantorel {

// Writes `line` to the system log under the ident "Vantorel" and to standard error. Kept for the
// few things a user must be able to find out later: history or settings that are not being saved,
// a target list that could not be read.
void logToSystem(const QString& line);

} // namespace vantorel
