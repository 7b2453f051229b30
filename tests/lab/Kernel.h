#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vantorel::lab {

// A kernel setting such as {"net.ipv4.ip_forward", "1"}.
using Sysctl = std::pair<std::string, std::string>;

// These work in the named network namespace (`ip netns`), or in the test process's own when the
// name is empty, and throw LabError when they cannot.

void writeSysctls(const std::vector<Sysctl>& settings, const std::string& inNamespace = {});

// Waits up to five seconds until the named interfaces are operationally up. Of a veth pair, the
// end brought up first gets its carrier when the other comes up, and its transmit queue starts
// from the link-watch work queue, which the whole machine shares and runs at most once a second
// when busy: until then that end silently drops what it sends, and a probe would be lost.
void waitUntilLinksRunning(const std::vector<std::string>& interfaces,
                           const std::string& inNamespace = {});

// Makes a folder read-only while it lives, with a read-only bind mount over itself in the test's
// own mount namespace: root writes through any file permission, so those prove nothing.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::string folder);
    ~ReadOnlyFolder();

private:
    std::string folder_;
};

} // namespace vantorel::lab
