#include "ui/window/PlaceholderTarget.h"

#include "targets/Target.h"

namespace vantorel {

std::shared_ptr<Target> placeholderTarget() {
    // Kept for the whole process on purpose: views may hold it until the very end, after the
    // application object (and with it the event loop its timers need) is gone.
    static const auto* const placeholder = new std::shared_ptr<Target>(Target::create(
        {TargetKind::hostPing, QStringLiteral("No target selected"), QString(), 24}, false));
    return *placeholder;
}

} // namespace vantorel
