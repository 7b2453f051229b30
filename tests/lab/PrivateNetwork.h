#pragma once

namespace vantorel::lab {

// Moves the calling process into a network and mount namespace of its own, where lab tests may
// add addresses, routes, TUN devices, namespaces and mounts that the machine never sees and that
// vanish with the process, even when it crashes. Inside, only `lo` exists, ping sockets are open
// to every group, and ICMP rate limiting is off; named namespaces (`ip netns`) and the lab's
// files live in tmpfs mounts of this process's own.
//
// Call it first in main(): unsharing the mount namespace needs a process without threads. Exits
// with status 1, saying why, when it cannot (e.g. when not run as root).
void enterPrivateNetwork();

// The lab's own files (the test resolver's configuration and log).
inline constexpr const char* labFolder = "/run/vantorel-lab";

} // namespace vantorel::lab
