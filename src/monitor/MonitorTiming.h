#pragma once

namespace vantorel {

// The waits of a monitor and of the target that owns it, in seconds. Production code always uses
// `production()`; tests pass shorter waits here (and only here) so that the restart and pause rules
// can be exercised with real probes in a few seconds instead of half a minute.
struct MonitorTiming {
    // From the start of one continuous probe to the start of the next.
    double probeInterval = 1.0;
    // How long an echo request may stay unanswered.
    double probeTimeout = 1.0;
    // From a block to the automatic restart.
    double restartDelay = 2.0;
    // From the start of one traceroute walk to the start of the next, at least.
    double traceRunPeriod = 1.0;
    // Between the echoes of one liveness scan.
    double livenessProbePause = 0.2;
    // From one sweep pass to the next.
    double sweepRescanInterval = 60.0;
    // From the start of one service check to the start of the next.
    double httpCheckPeriod = 5.0;
    double tcpCheckPeriod = 1.0;

    static MonitorTiming production() { return {}; }
};

} // namespace vantorel
