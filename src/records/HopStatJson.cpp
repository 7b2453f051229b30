#include "records/HopStatJson.h"

#include "records/JsonArray.h"
#include "records/JsonMembers.h"
#include "records/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace vantorel {

namespace {

constexpr QLatin1StringView kNumber{"number"};
constexpr QLatin1StringView kHost{"host"};
constexpr QLatin1StringView kHostname{"hostname"};
constexpr QLatin1StringView kLast{"last"};

} // namespace

std::optional<QByteArray> encodeHopStat(const HopStat& hop) {
    JsonObjectText object;
    object.addInteger(kNumber, hop.number).addString(kHost, hop.host);
    if (hop.hostname)
        object.addString(kHostname, *hop.hostname);
    if (hop.last)
        object.addNumber(kLast, *hop.last);
    return object.finish();
}

std::optional<QByteArray> encodeHopStats(std::span<const HopStat> hops) {
    return json_array::encode(hops, [](const HopStat& element) { return encodeHopStat(element); });
}

std::optional<HopStat> decodeHopStat(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    HopStat hop;
    const bool ok = json_members::readRequiredInteger(object, kNumber, hop.number) &&
                    json_members::readRequiredString(object, kHost, hop.host) &&
                    json_members::readOptionalString(object, kHostname, hop.hostname) &&
                    json_members::readOptionalNumber(object, kLast, hop.last);
    if (!ok)
        return std::nullopt;
    return hop;
}

std::optional<std::vector<HopStat>> decodeHopStats(const QByteArray& json) {
    return json_array::decode<HopStat>(
        json, [](const QJsonValue& value) { return decodeHopStat(value); });
}

} // namespace vantorel
