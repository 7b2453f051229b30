#include "lab/RouterChain.h"

#include "lab/LabError.h"
#include "lab/Namespace.h"

namespace vantorel::lab {
namespace {

// The priority of the rule that silences a router; any number below the main table's works.
constexpr const char* silenceRulePriority = "100";

} // namespace

RouterChain::RouterChain(std::vector<std::string> routers, std::string destination,
                         std::vector<Namespace*> routerNamespaces)
    : routers_(std::move(routers))
    , destination_(std::move(destination))
    , namespaces_(std::move(routerNamespaces))
    , silent_(routers_.size(), false)
    , length_(static_cast<int>(routers_.size())) {}

Namespace& RouterChain::router(int hop) const {
    if (hop < 1 || hop > static_cast<int>(namespaces_.size()))
        throw LabError("no router at hop " + std::to_string(hop) + " of a chain of " +
                       std::to_string(namespaces_.size()));
    return *namespaces_[static_cast<std::size_t>(hop - 1)];
}

void RouterChain::setLength(int routerCount) {
    if (routerCount < 0 || routerCount > static_cast<int>(routers_.size()))
        throw LabError("a chain of " + std::to_string(routers_.size()) +
                       " routers cannot be made " + std::to_string(routerCount) + " long");
    if (routerCount == length_)
        return;
    const std::string address = destination_ + "/32";
    // Router length_ + 1 holds the destination's address while the route is shortened.
    if (length_ < static_cast<int>(routers_.size()))
        router(length_ + 1).ip("address delete " + address + " dev lo\n");
    if (routerCount < static_cast<int>(routers_.size()))
        router(routerCount + 1).ip("address add " + address + " dev lo\n");
    length_ = routerCount;
}

void RouterChain::setRouterSilent(int hop, bool silent) {
    Namespace& space = router(hop);
    const auto index = static_cast<std::size_t>(hop - 1);
    if (silent_[index] == silent)
        return;
    const std::string& address = routers_[index];
    if (silent)
        space.ip("rule add from " + address + "/32 blackhole priority " + silenceRulePriority +
                 "\n");
    else
        space.ip(std::string("rule delete priority ") + silenceRulePriority + "\n");
    silent_[index] = silent;
}

} // namespace vantorel::lab
