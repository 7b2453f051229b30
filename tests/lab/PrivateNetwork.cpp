#include "lab/PrivateNetwork.h"

#include "lab/Sysctl.h"
#include "lab/TestResolver.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <functional>
#include <net/if.h>
#include <sched.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantorel::lab {
namespace {

[[noreturn]] void giveUp(const std::string& what, int error) {
    std::fprintf(stderr,
                 "vantorel lab: %s: %s\n"
                 "Lab tests build their own network in a private namespace and must run as root "
                 "(CAP_SYS_ADMIN and CAP_NET_ADMIN).\n",
                 what.c_str(), std::strerror(error));
    std::exit(EXIT_FAILURE);
}

// Calls `remove` for each entry of `folder` named <prefix><pid>-… whose process is gone.
void removeLeftovers(const std::string& folder, const std::string& prefix,
                     const std::function<void(const std::string&)>& remove) {
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.rfind(prefix, 0) != 0)
            continue;
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            remove(folder + "/" + name);
    }
    ::closedir(listing);
}

// Namespaces are named vtlab-<pid>-<n>. Earlier versions of a lab, or a namespace created by
// hand, may have left such names in the machine's folder; those whose process is gone are
// removed. This runs after our mounts became private, so unmounting touches only our copy and
// the unlink detaches the handle everywhere. Likewise the files of a TestResolver whose process
// was killed.
void removeStaleLeftovers() {
    removeLeftovers(namespaceFolder, "vtlab-", [](const std::string& path) {
        ::umount2(path.c_str(), MNT_DETACH);
        ::unlink(path.c_str());
    });
    const std::string resolverPrefix = TestResolver::resolverFolderPrefix;
    const std::size_t slash = resolverPrefix.rfind('/');
    removeLeftovers(resolverPrefix.substr(0, slash), resolverPrefix.substr(slash + 1),
                    TestResolver::removeResolverFolder);
}

void bringLoopbackUp() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        giveUp("socket for configuring lo", errno);
    ifreq request = {};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    if (::ioctl(fd, SIOCGIFFLAGS, &request) != 0)
        giveUp("reading the flags of lo", errno);
    request.ifr_flags |= IFF_UP;
    if (::ioctl(fd, SIOCSIFFLAGS, &request) != 0)
        giveUp("bringing lo up", errno);
    ::close(fd);
}

} // namespace

void enterPrivateNetwork() {
    if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0)
        giveUp("cannot create a private network and mount namespace (unshare)", errno);
    // Without this, mounts made below (and by `ip netns`) would propagate to the machine.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        giveUp("cannot make the mounts private", errno);
    removeStaleLeftovers();
    if (::mkdir(namespaceFolder, 0755) != 0 && errno != EEXIST)
        giveUp(std::string("cannot create ") + namespaceFolder, errno);
    if (::mount("vtlab", namespaceFolder, "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC, "mode=0755") !=
        0)
        giveUp(std::string("cannot mount a private tmpfs on ") + namespaceFolder, errno);
    bringLoopbackUp();
    try {
        writeSysctls({
            // The engine probes with unprivileged ping sockets; the setting is per namespace.
            {"net.ipv4.ping_group_range", "0 2147483647"},
            {"net.ipv4.icmp_ratelimit", "0"},
            // Answers from TUN-emulated routers come from addresses the path does not route.
            {"net.ipv4.conf.all.rp_filter", "0"},
            {"net.ipv4.conf.default.rp_filter", "0"},
        });
    } catch (const std::exception& error) {
        std::fprintf(stderr, "vantorel lab: %s\n", error.what());
        std::exit(EXIT_FAILURE);
    }
    // A command that stops reading its input must not kill the test with SIGPIPE; the write
    // then fails with EPIPE and the command's exit status tells what went wrong.
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace vantorel::lab
