#include "history/SweepHostStateJson.h"

#include "records/JsonArray.h"
#include "records/JsonMembers.h"
#include "records/JsonText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace vantorel {

namespace {

constexpr QLatin1StringView kHost{"host"};
constexpr QLatin1StringView kAlive{"alive"};
constexpr QLatin1StringView kLatency{"latency"};
constexpr QLatin1StringView kHostname{"hostname"};

std::optional<QByteArray> encodeSweepHostState(const SweepHostState& state) {
    JsonObjectText object;
    object.addString(kHost, state.host);
    if (state.alive)
        object.addBool(kAlive, *state.alive);
    if (state.latency)
        object.addNumber(kLatency, *state.latency);
    if (state.hostname)
        object.addString(kHostname, *state.hostname);
    return object.finish();
}

} // namespace

std::optional<QByteArray> encodeSweepHostStates(std::span<const SweepHostState> states) {
    return json_array::encode(
        states, [](const SweepHostState& element) { return encodeSweepHostState(element); });
}

std::optional<SweepHostState> decodeSweepHostState(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    SweepHostState state;
    const bool ok = json_members::readRequiredString(object, kHost, state.host) &&
                    json_members::readOptionalBool(object, kAlive, state.alive) &&
                    json_members::readOptionalNumber(object, kLatency, state.latency) &&
                    json_members::readOptionalString(object, kHostname, state.hostname);
    if (!ok)
        return std::nullopt;
    return state;
}

std::optional<std::vector<SweepHostState>> decodeSweepHostStates(const QByteArray& json) {
    return json_array::decode<SweepHostState>(
        json, [](const QJsonValue& value) { return decodeSweepHostState(value); });
}

} // namespace vantorel
