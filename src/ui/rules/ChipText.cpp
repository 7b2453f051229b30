#include "ui/rules/ChipText.h"

#include <QLocale>
#include <cmath>

namespace vantorel::chip {

namespace {

constexpr double kGroupedFrom = 10000;

QString absent() {
    return QStringLiteral("—");
}

} // namespace

QString milliseconds(std::optional<double> ms) {
    if (!ms || !std::isfinite(*ms))
        return absent();
    const double rounded = std::round(*ms);
    if (rounded < kGroupedFrom)
        return QString::asprintf("%.0f ms", rounded);
    // The user's own grouping, as the desktop writes large numbers elsewhere.
    return QLocale().toString(qlonglong(rounded)) + QStringLiteral(" ms");
}

QString loss(std::optional<double> percent) {
    if (!percent || !std::isfinite(*percent))
        return absent();
    return *percent < 1 ? QString::asprintf("%.1f%%", *percent)
                        : QString::asprintf("%.0f%%", *percent);
}

QString mos(std::optional<double> score) {
    if (!score || !std::isfinite(*score))
        return absent();
    return QString::asprintf("%.1f", *score);
}

bool httpStatusIsGood(int status) {
    return status < 400;
}

} // namespace vantorel::chip
