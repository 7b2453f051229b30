#include "history/SystemLog.h"

#include <syslog.h>

namespace vantorel {

void logHistoryUnavailable(const QString& reason) {
    const QByteArray line =
        QStringLiteral("Vantorel: history database unavailable — %1").arg(reason).toUtf8();
    // Standard error as well: a desktop session's journal is not where someone starting the
    // application from a terminal looks first.
    openlog("Vantorel", LOG_PID | LOG_PERROR, LOG_USER);
    syslog(LOG_ERR, "%s", line.constData());
    closelog();
}

} // namespace vantorel
