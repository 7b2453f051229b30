#pragma once

#include "settings/SettingRules.h"
#include "targets/TargetHealth.h"
#include "ui/rules/LatencyScale.h"

#include <QColor>
#include <QFont>

class QLabel;
class QWidget;

// The look shared by every view: colours, type sizes and the colour scheme in force.
namespace vantorel::theme {

// Selection outlines and badges.
QColor accent();

// The colour of a latency band (green, yellow or red) and of a target's health
// (off gray, ok green, warn orange, down red), in the shade that reads well in the colour scheme
// in force.
QColor latencyColour(LatencyColour band);
QColor latencyColour(double ms); // with the thresholds from the preferences
QColor healthColour(TargetHealth health);

// The latency colours and the repaired thresholds, read once for a paint pass that colours many
// values (chart bars, list rows, host cells) rather than once per value.
struct LatencyPalette {
    Thresholds thresholds;
    QColor green;
    QColor yellow;
    QColor red;

    QColor colourFor(double ms) const;
};
LatencyPalette latencyPalette(double greenThreshold, double yellowThreshold);
LatencyPalette latencyPalette(); // with the thresholds from the preferences

// The colour at `opacity` (0 … 1) of its own.
QColor withOpacity(QColor colour, double opacity);
QColor gray();
QColor orange();
QColor green();
QColor red();

// Text styles mapped onto the application font. Their sizes are given in points as logical pixels
// at the desktop's default 10 pt font (body text 13); a larger desktop font makes them all larger
// in proportion, and the display's dots per inch apply as to any text.
enum class TextStyle { largeTitle, title2, title3, headline, body, callout, caption, caption2 };
QFont font(TextStyle style, bool bold = false);
// A size of its own, in the same measure as the styles.
QFont fontOfSize(double points, bool bold = false);
// The application font's size against the default 10 pt.
double textScale();
// A length in logical pixels that holds text, grown with a desktop font larger than the default
// (never shrunk below the length given).
int scaled(int pixels);
// Digits of equal width, for figures that change in place.
QFont monospacedDigits(TextStyle style, bool bold = false);

// Whether the windows are drawn dark: "dark" and "light" in the preferences force one, anything
// else follows the desktop (its colour-scheme preference, else the palette's lightness).
bool isDark();
// Text colours for the scheme in force.
QColor primaryText();
QColor secondaryText();

// Gives a label a text colour, leaving its palette alone when it already has it (so live figures
// do not cause a repaint on every update).
void setTextColour(QLabel& label, const QColor& colour);

} // namespace vantorel::theme
