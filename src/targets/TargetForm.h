#pragma once

#include "targets/TargetSpec.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

// The rules of the add-target form, run again on every change of its fields. Both texts are
// trimmed of spaces and tabs first.
namespace vantorel {

// The prefixes a sweep's form offers, and the one it starts with.
inline constexpr int kFirstSweepPrefix = 8;
inline constexpr int kLastSweepPrefix = 32;
inline constexpr int kDefaultSweepPrefix = 24;

// What is wrong with the entry so far, or none. Empty fields and the kinds that take any host
// text have nothing to say; an entry can be wrong only for a sweep or a service check.
std::optional<QString> validationMessage(TargetKind kind, QStringView host, QStringView endHost);

// The spec the form would add, with its texts trimmed but otherwise as typed (an IPv6 literal in
// canonical form), or none when the entry cannot be added. Only a sweep keeps the end address and
// the chosen prefix; the other kinds get an empty end and prefix 24.
std::optional<TargetSpec> specFromForm(TargetKind kind, QStringView host, QStringView endHost,
                                       std::int64_t chosenPrefix);

} // namespace vantorel
