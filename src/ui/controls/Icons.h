#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

// The project's own SVG icons, bundled as resources under ":/icons/<name>.svg" and drawn in the
// colour asked for (the files paint with "currentColor").
namespace vantorel::icons {

// Symbols such as "gearshape", "trash", "plus", "exclamationmark.triangle", "checkmark.circle".
QIcon symbol(const QString& name, const QColor& colour);
// Images such as "AppMark", "MenuBarIcon", "Lockup", drawn in their own colours.
QIcon image(const QString& name);

} // namespace vantorel::icons
