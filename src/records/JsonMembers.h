#pragma once

#include <QJsonObject>
#include <QLatin1StringView>
#include <QString>
#include <cstdint>
#include <optional>

// Strict reads of single members of a decoded JSON object, for stored forms whose decoding must
// fail as a whole when one member has the wrong type. Each returns false on such a failure and
// leaves `out` unspecified. For optional members an absent member and a null both give none.
namespace vantorel::json_members {

bool readRequiredString(const QJsonObject& object, QLatin1StringView name, QString& out);
// A JSON number with an exact 64-bit integer value (so 3 and 3.0, but not 3.5).
bool readRequiredInteger(const QJsonObject& object, QLatin1StringView name, std::int64_t& out);

bool readOptionalString(const QJsonObject& object, QLatin1StringView name,
                        std::optional<QString>& out);
bool readOptionalNumber(const QJsonObject& object, QLatin1StringView name,
                        std::optional<double>& out);
bool readOptionalBool(const QJsonObject& object, QLatin1StringView name, std::optional<bool>& out);

} // namespace vantorel::json_members
