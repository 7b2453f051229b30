#pragma once

namespace vantorel::lab {

// Moves the calling process into a network and mount namespace of its own, so that a lab test
// may add addresses, routes, TUN devices, namespaces and bind mounts freely: none of it is seen
// by the machine, and all of it disappears with the process, even when it crashes.
//
// Inside, only `lo` exists (up), ping sockets are open to every group, and ICMP rate limiting is
// off. Named namespaces (`ip netns`) live in a tmpfs private to this process, so parallel test
// processes never see each other's and none can be left behind on the machine.
//
// Must be called before any thread exists (unshare of the mount namespace requires it), which
// is why the lab's main() calls it first. Prints why and exits with status 1 when it cannot do
// this, for example when not run as root.
void enterPrivateNetwork();

// The folder `ip netns` keeps its namespace handles in.
inline constexpr const char* namespaceFolder = "/run/netns";

} // namespace vantorel::lab
