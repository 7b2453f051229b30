#include "ui/rules/TimeLabel.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

namespace vantorel {

namespace {

struct TimeFormats {
    // The C locale is Qt's fixed POSIX English one: its AM/PM markers never follow the user's
    // language, so the labels read the same everywhere.
    QLocale locale = QLocale::c();
    QString twelveHour = QStringLiteral("yyyy-MM-dd h:mm AP");
    QString twelveHourSeconds = QStringLiteral("yyyy-MM-dd h:mm:ss AP");
    QString twentyFourHour = QStringLiteral("yyyy-MM-dd HH:mm");
    QString twentyFourHourSeconds = QStringLiteral("yyyy-MM-dd HH:mm:ss");
};

const TimeFormats& formats() {
    static const TimeFormats shared;
    return shared;
}

} // namespace

QString timeLabel(Date date, bool withSeconds) {
    const TimeFormats& f = formats();
    const bool use24Hour = Preferences::instance().boolValue(keys::use24Hour);
    const QString& format = use24Hour ? (withSeconds ? f.twentyFourHourSeconds : f.twentyFourHour)
                                      : (withSeconds ? f.twelveHourSeconds : f.twelveHour);
    const auto msecs = qint64(std::llround(unixSecondsFromDate(date) * 1000.0));
    return f.locale.toString(QDateTime::fromMSecsSinceEpoch(msecs), format);
}

} // namespace vantorel
