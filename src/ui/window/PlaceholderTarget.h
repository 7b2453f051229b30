#pragma once

#include <memory>

namespace vantorel {

class Target;

// What the detail area shows when nothing (or nothing that still exists) is selected: a disabled
// host ping named "No target selected", so the panes draw their "monitoring off" state under that
// title. One shared instance, created on first use and never switched on.
std::shared_ptr<Target> placeholderTarget();

} // namespace vantorel
