#include "targets/TargetSpecJson.h"

#include "records/JsonArray.h"
#include "records/JsonMembers.h"
#include "records/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace vantorel {

namespace {

constexpr QLatin1StringView kKind{"kind"};
constexpr QLatin1StringView kHost{"host"};
constexpr QLatin1StringView kEndHost{"endHost"};
constexpr QLatin1StringView kMaskPrefix{"maskPrefix"};
constexpr QLatin1StringView kStartWithVantorel{"startWithVantorel"};

} // namespace

std::optional<QByteArray> encodeTargetSpec(const TargetSpec& spec) {
    JsonObjectText object;
    object.addString(kKind, QString(persistedName(spec.kind)))
        .addString(kHost, spec.host)
        .addString(kEndHost, spec.endHost)
        .addInteger(kMaskPrefix, spec.maskPrefix);
    // Written only when set, so a list that uses no new choice reads exactly as before.
    if (spec.startWithVantorel)
        object.addBool(kStartWithVantorel, true);
    return object.finish();
}

std::optional<QByteArray> encodeTargetSpecs(std::span<const TargetSpec> specs) {
    return json_array::encode(specs, [](const TargetSpec& spec) { return encodeTargetSpec(spec); });
}

std::optional<TargetSpec> decodeTargetSpec(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    QString kindName;
    TargetSpec spec;
    std::optional<bool> startWithVantorel;
    const bool ok = json_members::readRequiredString(object, kKind, kindName) &&
                    json_members::readRequiredString(object, kHost, spec.host) &&
                    json_members::readRequiredString(object, kEndHost, spec.endHost) &&
                    json_members::readRequiredInteger(object, kMaskPrefix, spec.maskPrefix) &&
                    json_members::readOptionalBool(object, kStartWithVantorel, startWithVantorel);
    if (!ok)
        return std::nullopt;
    spec.startWithVantorel = startWithVantorel.value_or(false);
    const auto kind = targetKindFromPersistedName(kindName);
    if (!kind)
        return std::nullopt;
    spec.kind = *kind;
    return spec;
}

std::optional<std::vector<TargetSpec>> decodeTargetSpecs(const QByteArray& json) {
    return json_array::decode<TargetSpec>(
        json, [](const QJsonValue& value) { return decodeTargetSpec(value); });
}

} // namespace vantorel
