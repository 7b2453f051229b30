#pragma once

#include <QString>

namespace vantorel {

// Writes the one line the application ever logs: "Vantorel: history database unavailable — "
// followed by `reason`, to the system log under the ident "Vantorel" and to standard error.
void logHistoryUnavailable(const QString& reason);

} // namespace vantorel
