#pragma once

#include <QString>
#include <ostream>

// Lets GoogleTest print Qt strings as text rather than as arrays of UTF-16 code units.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE
