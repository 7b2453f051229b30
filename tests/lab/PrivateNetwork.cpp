#include "lab/PrivateNetwork.h"

#include "lab/Command.h"
#include "lab/Kernel.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

namespace vantorel::lab {
namespace {

constexpr const char* namespaceFolder = "/run/netns"; // where `ip netns` keeps its handles

[[noreturn]] void giveUp(const std::string& what) {
    std::fprintf(stderr,
                 "vantorel lab: %s\nLab tests build their own network in a private namespace "
                 "and must run as root (CAP_SYS_ADMIN and CAP_NET_ADMIN).\n",
                 what.c_str());
    std::exit(EXIT_FAILURE);
}

} // namespace

void enterPrivateNetwork() {
    if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0)
        giveUp(std::string("unshare: ") + std::strerror(errno));
    // Without this, the mounts below (and those of `ip netns`) would reach the machine.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        giveUp(std::string("cannot make the mounts private: ") + std::strerror(errno));
    for (const char* folder : {namespaceFolder, labFolder}) {
        ::mkdir(folder, 0755);
        if (::mount("vtlab", folder, "tmpfs", MS_NOSUID | MS_NODEV, "mode=0755") != 0)
            giveUp(std::string("cannot mount a tmpfs on ") + folder + ": " + std::strerror(errno));
    }
    // ctest may run with a PATH that lacks the sbin folders, where `ip` and `dnsmasq` live.
    const char* path = std::getenv("PATH");
    ::setenv("PATH", (std::string(path ? path : "/usr/bin:/bin") + ":/usr/sbin:/sbin").c_str(), 1);
    try {
        run(ip("link set lo up\n"));
        writeSysctls({
            // The engine probes with unprivileged ping sockets; the setting is per namespace.
            {"net.ipv4.ping_group_range", "0 2147483647"},
            {"net.ipv4.icmp_ratelimit", "0"},
            {"net.ipv6.icmp.ratelimit", "0"},
            // The lab's IPv6 addresses are usable at once, without duplicate address detection.
            {"net.ipv6.conf.all.accept_dad", "0"},
            {"net.ipv6.conf.default.accept_dad", "0"},
            // Answers from TUN-emulated routers come from addresses the path does not route.
            {"net.ipv4.conf.all.rp_filter", "0"},
            {"net.ipv4.conf.default.rp_filter", "0"},
        });
    } catch (const std::exception& error) {
        giveUp(error.what());
    }
}

} // namespace vantorel::lab
