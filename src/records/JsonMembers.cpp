#include "records/JsonMembers.h"

#include <QJsonValue>

namespace vantorel::json_members {

namespace {

bool isAbsent(const QJsonValue& value) {
    return value.isUndefined() || value.isNull();
}

} // namespace

bool readRequiredString(const QJsonObject& object, QLatin1StringView name, QString& out) {
    const QJsonValue value = object.value(name);
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

bool readRequiredInteger(const QJsonObject& object, QLatin1StringView name, std::int64_t& out) {
    const QJsonValue value = object.value(name);
    if (!value.isDouble())
        return false;
    // toInteger answers its fallback when the number is not an exact integer, so two different
    // fallbacks tell a genuine value from a refusal.
    const qint64 first = value.toInteger(0);
    if (first == 0 && value.toInteger(1) != 0)
        return false;
    out = first;
    return true;
}

bool readOptionalString(const QJsonObject& object, QLatin1StringView name,
                        std::optional<QString>& out) {
    const QJsonValue value = object.value(name);
    if (isAbsent(value)) {
        out.reset();
        return true;
    }
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

bool readOptionalNumber(const QJsonObject& object, QLatin1StringView name,
                        std::optional<double>& out) {
    const QJsonValue value = object.value(name);
    if (isAbsent(value)) {
        out.reset();
        return true;
    }
    if (!value.isDouble())
        return false;
    out = value.toDouble();
    return true;
}

bool readOptionalBool(const QJsonObject& object, QLatin1StringView name, std::optional<bool>& out) {
    const QJsonValue value = object.value(name);
    if (isAbsent(value)) {
        out.reset();
        return true;
    }
    if (!value.isBool())
        return false;
    out = value.toBool();
    return true;
}

} // namespace vantorel::json_members
