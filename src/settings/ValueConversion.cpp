#include "settings/ValueConversion.h"

#include <cmath>
#include <limits>
#include <optional>

namespace vantorel::preference_values {

namespace {

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

bool isText(const QVariant& value) {
    return value.typeId() == QMetaType::QString;
}

double finiteOrZero(double value) {
    return std::isfinite(value) ? value : 0.0;
}

qint64 truncateToInteger(double value) {
    if (!std::isfinite(value))
        return 0;
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (value >= limit)
        return std::numeric_limits<qint64>::max();
    if (value < -limit)
        return std::numeric_limits<qint64>::min();
    return qint64(value);
}

std::optional<bool> booleanWord(const QString& trimmed) {
    if (trimmed.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

std::optional<double> textAsDouble(const QString& text) {
    const QString trimmed = text.trimmed();
    if (const auto word = booleanWord(trimmed))
        return *word ? 1.0 : 0.0;
    bool ok = false;
    const double parsed = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(parsed))
        return std::nullopt;
    return parsed;
}

} // namespace

bool toBool(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    if (isNumber(value))
        return finiteOrZero(value.toDouble()) != 0.0;
    if (isText(value))
        return textAsDouble(value.toString()).value_or(0.0) != 0.0;
    return false;
}

qint64 toInteger(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
        return value.toLongLong();
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort: {
        const qulonglong unsignedValue = value.toULongLong();
        return unsignedValue > qulonglong(std::numeric_limits<qint64>::max())
                   ? std::numeric_limits<qint64>::max()
                   : qint64(unsignedValue);
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return truncateToInteger(value.toDouble());
    case QMetaType::QString: {
        // Whole numbers are read exactly; going through double would round large ones.
        const QString trimmed = value.toString().trimmed();
        bool ok = false;
        const qint64 exact = trimmed.toLongLong(&ok);
        if (ok)
            return exact;
        return truncateToInteger(textAsDouble(trimmed).value_or(0.0));
    }
    default:
        return 0;
    }
}

double toDouble(const QVariant& value) {
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1.0 : 0.0;
    if (isNumber(value))
        return finiteOrZero(value.toDouble());
    if (isText(value))
        return textAsDouble(value.toString()).value_or(0.0);
    return 0.0;
}

QString toText(const QVariant& value) {
    if (isText(value))
        return value.toString();
    if (value.typeId() == QMetaType::Bool || isNumber(value))
        return value.toString();
    return QString();
}

QByteArray toBytes(const QVariant& value) {
    return value.typeId() == QMetaType::QByteArray ? value.toByteArray() : QByteArray();
}

QStringList toTextList(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QStringList:
        return value.toStringList();
    case QMetaType::QString:
        return {value.toString()};
    case QMetaType::QVariantList: {
        QStringList texts;
        for (const QVariant& element : value.toList()) {
            if (!isText(element))
                return {};
            texts.append(element.toString());
        }
        return texts;
    }
    default:
        return {};
    }
}

} // namespace vantorel::preference_values
