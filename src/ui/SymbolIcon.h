#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace vantorel {

// The bundled symbol of that name in that colour, or, while no such file is bundled, a simple
// drawing of the same idea ("gearshape", "trash", "plus"), so a button never ends up blank.
QIcon symbolIcon(const QString& name, const QColor& colour);

// The application mark: the bundled "AppMark" image, or a drawn stand-in.
QIcon appMarkIcon();

} // namespace vantorel
