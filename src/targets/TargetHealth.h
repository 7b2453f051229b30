#pragma once

namespace vantorel {

// How a target is doing, ordered from nothing to worry about to worst.
enum class TargetHealth { off = 0, ok = 1, warn = 2, down = 3 };

} // namespace vantorel
