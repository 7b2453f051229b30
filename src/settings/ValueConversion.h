#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

// Typed readings of a stored preference value. The INI file keeps no types, so a value that was
// written as a number or a Boolean reads back as text; these accept both forms. A value that
// cannot be read as the requested type gives that type's zero, never an error.
namespace vantorel::preference_values {

// Numbers are true when non-zero; text is true for "true" (any case) or a non-zero number.
bool toBool(const QVariant& value);

// Fractions are truncated toward zero, out-of-range values clamped.
qint64 toInteger(const QVariant& value);

// Infinite and NaN values read as 0: no setting has a use for them, and they would poison
// every comparison made with the value.
double toDouble(const QVariant& value);

// Text, or a number or Boolean in text form; lists and bytes give the empty text.
QString toText(const QVariant& value);

QByteArray toBytes(const QVariant& value);

// A single text is a list of one, because that is how the INI file stores such a list.
QStringList toTextList(const QVariant& value);

} // namespace vantorel::preference_values
