#pragma once

#include "lab/Addresses.h"
#include "lab/Kernel.h"
#include "lab/RouterChain.h"

#include <memory>
#include <string>
#include <vector>

namespace vantorel::lab {

// A router and an address it declares unreachable.
struct UnreachableBehindRouter {
    std::string router; // answers probes to `target` with ICMP destination unreachable (type 3)
    std::string target;
};

// Builds small dual-stack networks around the test process (see Addresses.h for IPv6), out of
// namespaces joined to its own (private) namespace by veth pairs; removes them when destroyed. A
// Lab has a /20 of 198.18.0.0/16 of its own: the first /24 for the test process's source address
// (.1), routers, route destinations and unreachable targets, the fifteen after it for hosts. A host
// /24 has one namespace for the addresses of its answering hosts and one for its silent hosts, into
// which the whole /24 is routed and which forwards nothing, so that probes to empty addresses time
// out, as on a LAN whose machines are off.
class Lab {
public:
    Lab();
    ~Lab();

    // Hosts that answer echo requests; returns their addresses.
    std::string addHost() { return addHosts(1).front(); }
    std::vector<std::string> addHosts(int count) { return addHostsAnswering(count, true); }

    // Hosts that exist (routed, resolving at the link layer) but never answer echo requests.
    std::string addSilentHost() { return addHostsAnswering(1, false).front(); }

    // An answering host's link-local address, with the zone of its link to us, e.g. "fe80::2%vtl7".
    std::string linkLocalHost();

    // Moves host addresses on to a fresh /24 and returns it, e.g. "198.18.33.0/24", for sweeps.
    std::string startSubnet();

    // A route through `routerCount` forwarding routers to a destination host; see RouterChain.
    RouterChain& addRouteThroughRouters(int routerCount);

    // A router that answers probes for its target with ICMP host unreachable, at most about six
    // at once, then one a second (the kernel's limit, a machine-wide setting left alone).
    UnreachableBehindRouter addUnreachableBehindRouter();

    // Unused addresses of this Lab behind local routes of type `unreachable` / `prohibit` in the
    // test process's namespace: sending there fails at once with EHOSTUNREACH / EACCES.
    std::string addUnreachableRoute() { return addLocalRoute("unreachable"); }
    std::string addProhibitRoute() { return addLocalRoute("prohibit"); }

private:
    std::vector<std::string> addHostsAnswering(int count, bool answering);
    void openHostSubnet();
    std::vector<std::string> buildRouters(const std::vector<std::string>& routers,
                                          const std::string& destination, bool reachable);
    std::vector<std::string> createNamespaces(const std::vector<std::vector<Sysctl>>& settings);
    std::string takeInfrastructureAddress();
    std::string addLocalRoute(const char* type);

    const Slot slot_;
    const std::uint32_t base_;
    const std::string prober_;
    int nextInfrastructure_ = 2;
    int hostSubnet_ = 0; // 1 … 15 once hosts were added
    int nextHostByte_ = 1;
    // The current host subnet's namespaces for silent and answering hosts, and the veths there.
    std::vector<std::string> hostSpaces_;
    std::vector<std::string> hostVeths_;
    std::vector<std::string> namespaces_;
    std::vector<std::unique_ptr<RouterChain>> chains_;
};

} // namespace vantorel::lab
