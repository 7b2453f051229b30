#pragma once

#include "lab/RouterChain.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vantorel::lab {

class Namespace;

// A router and an address it declares unreachable.
struct UnreachableBehindRouter {
    std::string router; // answers probes to `target` with ICMP destination unreachable (type 3)
    std::string target;
};

// Builds small networks around the test process, out of namespaces joined to the test process's
// own (private) namespace by veth pairs, with the routes added on the test process's side. All
// addresses lie in this Lab's own /20 of 198.18.0.0/16, so several Labs in one process do not
// clash. The destructor removes everything it built.
//
// Layout of a Lab's /20 (slot s): 198.18.(16s).0/24 holds the prober address (.1) and the
// addresses of routers, route destinations and unreachable targets; the fifteen /24s after it
// hold hosts. Each host /24 is routed as a whole into a namespace that drops silently what no
// host claims, so probes to its empty addresses time out, as on a LAN whose machines are off.
class Lab {
public:
    Lab();
    ~Lab();
    Lab(const Lab&) = delete;
    Lab& operator=(const Lab&) = delete;

    // The test process's source address toward everything in this Lab.
    const std::string& proberAddress() const { return prober_; }

    // A host that answers echo requests. Returns its address.
    std::string addHost();
    // Many hosts at once, built with a handful of processes (fifty take well under a second).
    std::vector<std::string> addHosts(int count);

    // A host that exists (its address is routed and resolves at the link layer) but never
    // answers echo requests.
    std::string addSilentHost();
    std::vector<std::string> addSilentHosts(int count);

    // Moves host addresses on to a fresh /24 and returns it, e.g. "198.18.33.0/24"; for tests
    // that sweep a subnet holding exactly the hosts they added.
    std::string startSubnet();

    // A route through `routerCount` forwarding routers to a destination host; see RouterChain.
    RouterChain& addRouteThroughRouters(int routerCount);

    // A router that answers probes for its target with ICMP host unreachable. The kernel
    // limits these answers per prober: a burst of about six, then one per second (the limit is
    // a machine-wide setting the lab leaves alone). TunPath answers without such limit.
    UnreachableBehindRouter addUnreachableBehindRouter();

    // Local routes of type `unreachable` / `prohibit` in the test process's namespace: sending
    // to the address fails at once with EHOSTUNREACH / EACCES. Without an argument, an unused
    // address of this Lab is taken and returned.
    std::string addUnreachableRoute();
    void addUnreachableRoute(const std::string& address);
    std::string addProhibitRoute();
    void addProhibitRoute(const std::string& address);

private:
    struct Leaf;

    std::vector<std::string> addHostsAnswering(int count, bool answering);
    std::vector<Namespace*> buildLeaves(const std::vector<Leaf>& leaves);
    std::vector<Namespace*> adopt(std::vector<std::unique_ptr<Namespace>> created);
    void openHostSubnet(std::vector<Leaf>& leaves);
    std::string takeInfrastructureAddress();
    std::string takeHostAddress(std::vector<Leaf>& leaves);
    void addLocalRoute(const std::string& type, const std::string& address);
    void addTestRoutes(const std::string& batch, const std::vector<std::string>& destinations);

    int slot_;
    std::uint32_t base_;
    std::string prober_;
    int nextInfrastructure_ = 2;
    int hostSubnet_ = 0; // 1 … 15 once hosts were added
    int nextHostByte_ = 1;
    std::vector<std::string> testRoutes_; // destinations of routes added in the test namespace
    std::vector<std::unique_ptr<Namespace>> namespaces_;
    std::vector<std::unique_ptr<RouterChain>> chains_;
};

} // namespace vantorel::lab
