#pragma once

#include "targets/TargetSpec.h"

#include <QByteArray>
#include <QJsonValue>
#include <optional>
#include <span>
#include <vector>

// The stored form of the target list: a JSON array of objects with the members "kind", "host",
// "endHost" and "maskPrefix", written in that order, then "startWithVantorel" (true) for a target
// that starts with the application. Readers that predate that member ignore it.
namespace vantorel {

// Compact UTF-8 JSON.
std::optional<QByteArray> encodeTargetSpec(const TargetSpec& spec);
std::optional<QByteArray> encodeTargetSpecs(std::span<const TargetSpec> specs);

// Strict, with no defaults: all four members must be present with their types, "kind" must name
// a kind exactly and "maskPrefix" must be an integer; "startWithVantorel", when present, a
// Boolean. Other members are ignored. One failing
// element fails the whole array.
std::optional<TargetSpec> decodeTargetSpec(const QJsonValue& value);
std::optional<std::vector<TargetSpec>> decodeTargetSpecs(const QByteArray& json);

} // namespace vantorel
