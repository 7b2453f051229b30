#pragma once

#include <string>
#include <vector>

namespace vantorel::lab {

class Namespace;

// A route from the test process through forwarding router namespaces to a destination host:
//
//   test process ── router 1 ── router 2 ── … ── router n ── destination
//
// A probe sent with TTL k ≤ length() gets ICMP time exceeded from router k; with a larger TTL it
// reaches the destination, which answers echo requests. Each router has a single address, on its
// side facing the prober, so the address it answers from is always the one in routers().
//
// Made by Lab::addRouteThroughRouters(); lives as long as its Lab.
class RouterChain {
public:
    RouterChain(std::vector<std::string> routers, std::string destination,
                std::vector<Namespace*> routerNamespaces);

    // Router addresses in hop order: routers()[k - 1] answers probes with TTL k.
    const std::vector<std::string>& routers() const { return routers_; }
    const std::string& destination() const { return destination_; }

    // How many routers a probe passes before the destination answers.
    int length() const { return length_; }

    // Shortens the route to `routerCount` routers (0 … routers().size()), or lengthens it back.
    // The chain is built once at full length; a shorter route is made by giving the router
    // after the last hop the destination's address too, so that it answers for the destination
    // and the routers beyond it are never reached.
    void setLength(int routerCount);

    // Makes router `hop` (1-based) stop answering anything: time exceeded, echo replies. It
    // still forwards, so hops beyond it answer as before, like a real router that filters ICMP.
    // Done with a policy rule that blackholes everything the router sends from its address.
    void setRouterSilent(int hop, bool silent);

private:
    Namespace& router(int hop) const;

    std::vector<std::string> routers_;
    std::string destination_;
    std::vector<Namespace*> namespaces_;
    std::vector<bool> silent_;
    int length_;
};

} // namespace vantorel::lab
