#include "history/DamagedFile.h"

#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vantorel {

namespace {

QString unusedName(const QString& file, const QDateTime& nowUtc) {
    const QString base = file + QStringLiteral(".damaged-") +
                         nowUtc.toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString candidate = base;
    for (int n = 2; QFileInfo::exists(candidate); ++n)
        candidate = base + QLatin1Char('-') + QString::number(n);
    return candidate;
}

bool moveIfPresent(const QString& from, const QString& to, QString& error) {
    if (!QFileInfo::exists(from))
        return true;
    if (std::rename(from.toLocal8Bit().constData(), to.toLocal8Bit().constData()) == 0)
        return true;
    error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

} // namespace

std::optional<QString> moveDamagedFileAside(const QString& file, const QDateTime& nowUtc,
                                            QString& error) {
    const QString aside = unusedName(file, nowUtc);
    // The companions go first: a WAL left beside a fresh main file would be replayed into it
    // when that is opened, so the main file is only moved once nothing of the old one remains.
    for (const QLatin1String suffix : {QLatin1String("-wal"), QLatin1String("-shm")}) {
        if (!moveIfPresent(file + suffix, aside + suffix, error))
            return std::nullopt;
    }
    if (!moveIfPresent(file, aside, error))
        return std::nullopt;
    return aside;
}

} // namespace vantorel
