#pragma once

#include "targets/TargetSpec.h"

#include <QString>
#include <optional>

namespace vantorel {

// The green line of the add-target sheet: what adding this spec would monitor, e.g.
// "254 hosts · 10.0.0.1–10.0.0.254 · 10.0.0.0/24" or "TCP connect to db.example.com port 5432
// every 1s". None for a service address the probe parser rejects.
std::optional<QString> addTargetSummary(const TargetSpec& spec);

} // namespace vantorel
