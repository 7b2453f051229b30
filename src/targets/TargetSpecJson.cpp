#include "targets/TargetSpecJson.h"

#include "monitor/JsonMembers.h"
#include "monitor/JsonText.h"

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

} // namespace

std::optional<QByteArray> encodeTargetSpec(const TargetSpec& spec) {
    return JsonObjectText()
        .addString(kKind, QString(persistedName(spec.kind)))
        .addString(kHost, spec.host)
        .addString(kEndHost, spec.endHost)
        .addInteger(kMaskPrefix, spec.maskPrefix)
        .finish();
}

std::optional<QByteArray> encodeTargetSpecs(std::span<const TargetSpec> specs) {
    QByteArray text("[");
    for (const TargetSpec& spec : specs) {
        const auto element = encodeTargetSpec(spec);
        if (!element)
            return std::nullopt;
        if (text.size() > 1)
            text.append(',');
        text.append(*element);
    }
    text.append(']');
    return text;
}

std::optional<TargetSpec> decodeTargetSpec(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    QString kindName;
    TargetSpec spec;
    const bool ok = json_members::readRequiredString(object, kKind, kindName) &&
                    json_members::readRequiredString(object, kHost, spec.host) &&
                    json_members::readRequiredString(object, kEndHost, spec.endHost) &&
                    json_members::readRequiredInteger(object, kMaskPrefix, spec.maskPrefix);
    if (!ok)
        return std::nullopt;
    const auto kind = targetKindFromPersistedName(kindName);
    if (!kind)
        return std::nullopt;
    spec.kind = *kind;
    return spec;
}

std::optional<std::vector<TargetSpec>> decodeTargetSpecs(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    std::vector<TargetSpec> specs;
    specs.reserve(std::size_t(array.size()));
    for (const QJsonValue& element : array) {
        auto spec = decodeTargetSpec(element);
        if (!spec)
            return std::nullopt;
        specs.push_back(std::move(*spec));
    }
    return specs;
}

} // namespace vantorel
