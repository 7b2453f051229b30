#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace vantorel::lab {

// Waits until the named interfaces of the calling thread's network namespace are running
// (IFF_RUNNING, i.e. operationally up); throws LabError naming those that are not after `limit`.
//
// Why: of the two ends of a veth pair, the one brought up first gets its carrier only when the
// other comes up, and the kernel then starts its transmit queue from the link-watch work queue,
// which is shared by the whole machine and runs at most once a second when busy. Until then that
// end silently drops what it should send, so a probe in the first second would be lost.
void waitUntilLinksRunning(const std::vector<std::string>& interfaces,
                           std::chrono::milliseconds limit = std::chrono::seconds(5));

} // namespace vantorel::lab
