#include "lab/RouterChain.h"

#include "lab/Command.h"

namespace vantorel::lab {

RouterChain::RouterChain(std::vector<std::string> routers, std::string destination,
                         std::vector<std::string> routerNamespaces)
    : routers_(std::move(routers))
    , destination_(std::move(destination))
    , namespaces_(std::move(routerNamespaces))
    , length_(static_cast<int>(routers_.size())) {}

void RouterChain::setLength(int routerCount) {
    const std::string address = destination_ + "/32 dev lo\n";
    // Router length_ + 1 holds the destination's address while the route is shortened.
    if (length_ < static_cast<int>(routers_.size()))
        run(ip("address delete " + address, namespaces_.at(std::size_t(length_))));
    if (routerCount < static_cast<int>(routers_.size()))
        run(ip("address add " + address, namespaces_.at(std::size_t(routerCount))));
    length_ = routerCount;
}

void RouterChain::setRouterSilent(int hop, bool silent) {
    const auto index = static_cast<std::size_t>(hop - 1);
    // Priority 100 comes before the main table's rule.
    run(ip(silent ? "rule add from " + routers_.at(index) + "/32 blackhole priority 100\n"
                  : "rule delete priority 100\n",
           namespaces_.at(index)));
}

} // namespace vantorel::lab
