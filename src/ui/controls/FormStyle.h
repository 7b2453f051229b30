#pragma once

#include <QColor>
#include <QPalette>

// The look of the two form windows, the add-target sheet and the preferences window, in the
// colour scheme in force. Both are plain windows over a solid background: the glass look belongs
// to the main window's animated background.
namespace vantorel::form_style {

QColor windowBackground(bool dark);

// The rounded boxes of a grouped form, their edge and the lines between their rows.
QColor groupFill(bool dark);
QColor groupEdge(bool dark);
QColor separator(bool dark);

// The track of a segmented picker and the chosen segment on it.
QColor trackFill(bool dark);
QColor selectedSegmentFill(bool dark);

QColor primaryText(bool dark);
QColor secondaryText(bool dark);

// Status colours for text on the window background; deeper in light so that a caption stays
// readable on white.
QColor warningText(bool dark);
QColor successText(bool dark);

// Whether focus that arrived this way deserves a visible ring: it does when the keyboard moved
// it, not when a click or the window opening put it there.
bool showsFocusRing(Qt::FocusReason reason);

// A palette whose window, text, field and placeholder colours follow the scheme, so that the
// toolkit's own widgets (combo boxes and their pop-ups, selections) match the painted ones.
QPalette palette(bool dark);

} // namespace vantorel::form_style
