#pragma once

namespace vantorel {

// The waits of a monitor, in seconds. Production code always uses `production()`; tests pass
// shorter waits here (and only here) so that the restart and pause rules can be exercised with
// real probes in a few seconds instead of half a minute.
struct MonitorTiming {
    // From the start of one continuous probe to the start of the next.
    double probeInterval = 1.0;
    // How long an echo request may stay unanswered.
    double probeTimeout = 1.0;
    // From a block to the automatic restart.
    double restartDelay = 2.0;

    static MonitorTiming production() { return {}; }
};

} // namespace vantorel
