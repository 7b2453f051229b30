#include "ui/controls/Theme.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "ui/controls/DesktopColourScheme.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace vantorel::theme {

QColor accent() {
    return QColor::fromRgbF(0.38f, 0.82f, 1.0f);
}

// Status colours come in two shades: the bright ones read well on the dark glass, but yellow and
// green text on the light glass would all but vanish, so the light scheme takes deeper ones.
QColor gray() {
    return isDark() ? QColor(142, 142, 147) : QColor(128, 128, 136);
}
QColor orange() {
    return isDark() ? QColor(255, 159, 10) : QColor(222, 116, 0);
}
QColor green() {
    return isDark() ? QColor(48, 209, 88) : QColor(26, 158, 64);
}
QColor red() {
    return isDark() ? QColor(255, 69, 58) : QColor(218, 40, 38);
}
QColor yellow() {
    return isDark() ? QColor(255, 214, 10) : QColor(190, 140, 0);
}

QColor latencyColour(LatencyColour band) {
    switch (band) {
    case LatencyColour::green:
        return green();
    case LatencyColour::yellow:
        return yellow();
    case LatencyColour::red:
        break;
    }
    return red();
}

QColor latencyColour(double ms) {
    return latencyColour(vantorel::latencyColour(ms, Preferences::instance()));
}

QColor LatencyPalette::colourFor(double ms) const {
    switch (vantorel::latencyColour(ms, thresholds.green, thresholds.yellow)) {
    case LatencyColour::green:
        return green;
    case LatencyColour::yellow:
        return yellow;
    case LatencyColour::red:
        break;
    }
    return red;
}

LatencyPalette latencyPalette(double greenThreshold, double yellowThreshold) {
    return {.thresholds = repairedThresholds(greenThreshold, yellowThreshold),
            .green = green(),
            .yellow = yellow(),
            .red = red()};
}

LatencyPalette latencyPalette() {
    const Preferences& preferences = Preferences::instance();
    return latencyPalette(preferences.doubleValue(keys::latencyGreen),
                          preferences.doubleValue(keys::latencyYellow));
}

QColor withOpacity(QColor colour, double opacity) {
    colour.setAlphaF(float(colour.alphaF() * opacity));
    return colour;
}

QColor healthColour(TargetHealth health) {
    switch (health) {
    case TargetHealth::off:
        return gray();
    case TargetHealth::ok:
        return green();
    case TargetHealth::warn:
        return orange();
    case TargetHealth::down:
        break;
    }
    return red();
}

double textScale() {
    constexpr double defaultPoints = 10;
    const QFont application = QApplication::font();
    if (application.pointSizeF() > 0)
        return application.pointSizeF() / defaultPoints;
    // A font given in pixels: the default is 10 pt at 96 dots per inch.
    return application.pixelSize() / (defaultPoints * 96.0 / 72.0);
}

int scaled(int pixels) {
    return int(std::lround(pixels * std::max(1.0, textScale())));
}

QFont fontOfSize(double points, bool bold) {
    QFont f = QApplication::font();
    // The sizes are logical pixels at 96 dots per inch, three quarters of a typographic point.
    f.setPointSizeF(points * 0.75 * textScale());
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    return f;
}

QFont font(TextStyle style, bool bold) {
    double points = 13;
    QFont::Weight weight = QFont::Normal;
    switch (style) {
    case TextStyle::largeTitle:
        points = 26;
        break;
    case TextStyle::title2:
        points = 17;
        break;
    case TextStyle::title3:
        points = 15;
        break;
    case TextStyle::headline:
        points = 13;
        weight = QFont::DemiBold;
        break;
    case TextStyle::body:
        points = 13;
        break;
    case TextStyle::callout:
        points = 12;
        break;
    case TextStyle::caption:
        points = 10;
        break;
    case TextStyle::caption2:
        points = 9;
        break;
    }
    QFont f = fontOfSize(points);
    f.setWeight(bold ? QFont::Bold : weight);
    return f;
}

QFont monospacedDigits(TextStyle style, bool bold) {
    // A fixed-pitch family keeps figures from jumping as they change (Qt 6.4 cannot select a
    // proportional font's tabular figures).
    QFont f = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFont base = font(style, bold);
    f.setPointSizeF(base.pointSizeF());
    f.setWeight(base.weight());
    return f;
}

bool isDark() {
    const QString appearance = Preferences::instance().stringValue(keys::appearance);
    if (appearance == QLatin1String("dark"))
        return true;
    if (appearance == QLatin1String("light"))
        return false;
    return DesktopColourScheme::instance().prefersDark();
}

QColor primaryText() {
    return isDark() ? QColor(255, 255, 255, 235) : QColor(0, 0, 0, 220);
}
QColor secondaryText() {
    return isDark() ? QColor(235, 235, 245, 150) : QColor(60, 60, 67, 155);
}

void setTextColour(QLabel& label, const QColor& colour) {
    QPalette palette = label.palette();
    if (palette.color(QPalette::WindowText) == colour)
        return;
    palette.setColor(QPalette::WindowText, colour);
    label.setPalette(palette);
}

} // namespace vantorel::theme
