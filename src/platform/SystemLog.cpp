#include "platform/SystemLog.h"

#include <syslog.h>

namespace vantorel {

void logToSystem(const QString& line) {
    const QByteArray text = line.toUtf8();
    // Standard error as well: a desktop session's journal is not where someone starting the
    // application from a terminal looks first.
    openlog("Vantorel", LOG_PID | LOG_PERROR, LOG_USER);
    syslog(LOG_ERR, "%s", text.constData());
    closelog();
}

} // namespace vantorel
