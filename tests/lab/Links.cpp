#include "lab/Links.h"

#include "lab/LabError.h"

#include <cstring>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace vantorel::lab {
namespace {

bool isRunning(int fd, const std::string& interface) {
    ifreq request = {};
    std::strncpy(request.ifr_name, interface.c_str(), IFNAMSIZ - 1);
    return ::ioctl(fd, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags & IFF_RUNNING);
}

} // namespace

void waitUntilLinksRunning(const std::vector<std::string>& interfaces,
                           std::chrono::milliseconds limit) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw LabError(systemError("socket for reading interface flags"));
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::vector<std::string> waiting = interfaces;
    for (;;) {
        std::erase_if(waiting, [fd](const std::string& name) { return isRunning(fd, name); });
        if (waiting.empty() || std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ::close(fd);
    if (!waiting.empty()) {
        std::string names;
        for (const std::string& name : waiting)
            names += " " + name;
        throw LabError("interfaces not running after " + std::to_string(limit.count()) +
                       " ms:" + names);
    }
}

} // namespace vantorel::lab
