#pragma once

#include "metrics/ListenAddress.h"
#include "targets/TargetSpec.h"

#include <optional>
#include <vector>

class QCoreApplication;

namespace vantorel {

// What a run without a window is asked for.
struct HeadlessOptions {
    // The targets given with --target, in order; when none are, the stored targets marked to
    // start with Vantorel run instead.
    std::vector<TargetSpec> targets;
    // Where to serve the metrics; none leaves the endpoint off.
    std::optional<ListenAddress> metrics;
};

// The exit status of a command line that cannot be run, as is usual for a usage error; a service
// manager told not to restart on it does not retry a mistake.
inline constexpr int kUsageErrorStatus = 2;

// Reads the arguments. --help and --version are printed and end the process with status 0; an
// argument that cannot be run is reported, with what would be right, and ends it with
// kUsageErrorStatus.
HeadlessOptions readHeadlessCommandLine(const QCoreApplication& application);

} // namespace vantorel
