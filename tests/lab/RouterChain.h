#pragma once

#include <string>
#include <vector>

namespace vantorel::lab {

// A route from the test process through forwarding router namespaces to a destination host:
//
//   test process ── router 1 ── router 2 ── … ── router n ── destination
//
// A probe sent with TTL k ≤ n gets ICMP time exceeded from router k; with a larger TTL it
// reaches the destination, which answers echo requests. Each router has a single address, on its
// side facing the prober, so the address it answers from is always the one in routers().
// Made by Lab::addRouteThroughRouters(); lives as long as its Lab.
class RouterChain {
public:
    RouterChain(std::vector<std::string> routers, std::string destination,
                std::vector<std::string> routerNamespaces);

    // Router addresses in hop order: routers()[k - 1] answers probes with TTL k.
    const std::vector<std::string>& routers() const { return routers_; }
    const std::string& destination() const { return destination_; }

    // Shortens the route to `routerCount` routers (0 … n), or lengthens it back: the router after
    // the last hop takes the destination's address too, so it answers; those beyond go unreached.
    void setLength(int routerCount);

    // Makes router `hop` (1-based) stop answering anything, yet go on forwarding, like a real
    // router that filters ICMP: a policy rule blackholes what it sends from its address.
    void setRouterSilent(int hop, bool silent);

private:
    std::vector<std::string> routers_;
    std::string destination_;
    std::vector<std::string> namespaces_;
    int length_;
};

} // namespace vantorel::lab
