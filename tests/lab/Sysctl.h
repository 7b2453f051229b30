#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vantorel::lab {

// A kernel setting such as {"net.ipv4.ip_forward", "1"}.
using Sysctl = std::pair<std::string, std::string>;

// Writes settings under /proc/sys. Network settings belong to the network namespace of the
// calling thread, which is what lets the lab set them inside a namespace from a thread that
// entered it (see Namespace). Throws LabError naming the setting that could not be written.
void writeSysctls(const std::vector<Sysctl>& settings);

// Reads one setting of the calling thread's network namespace, without the trailing newline.
std::string readSysctl(const std::string& key);

} // namespace vantorel::lab
