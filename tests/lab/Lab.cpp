#include "lab/Lab.h"

#include "lab/Addresses.h"
#include "lab/Command.h"
#include "lab/LabError.h"
#include "lab/Links.h"
#include "lab/Namespace.h"

#include <atomic>
#include <sys/stat.h>

namespace vantorel::lab {

// A namespace at the end of one veth pair: a host, or the sink of a host subnet.
struct Lab::Leaf {
    std::string address;
    bool answering = true;
    std::string sinkFor; // the subnet routed into this namespace, for a sink
};

namespace {

constexpr std::uint32_t labRange = 0xC6120000; // 198.18.0.0/16
constexpr int labSize = 16 * 256;              // one /20 per Lab
constexpr int hostSubnets = 15;

SlotPool& labSlots() {
    static SlotPool pool("Labs", 16);
    return pool;
}

// Interface names must be unique in the test namespace only while they exist, but a removed
// namespace takes its veth ends away asynchronously, so names are never reused.
std::string nextVethName() {
    static std::atomic<int> counter{0};
    return "vtl" + std::to_string(++counter);
}

// Fresh namespaces would otherwise spend time on IPv6 duplicate address detection and
// multicast reports for every veth, noise nobody probes.
std::vector<Sysctl> quietSettings() {
    struct stat info = {};
    if (::stat("/proc/sys/net/ipv6", &info) != 0)
        return {};
    return {{"net.ipv6.conf.all.disable_ipv6", "1"}, {"net.ipv6.conf.default.disable_ipv6", "1"}};
}

std::vector<Sysctl> hostSettings(bool answering) {
    std::vector<Sysctl> settings = quietSettings();
    settings.push_back({"net.ipv4.icmp_echo_ignore_all", answering ? "0" : "1"});
    return settings;
}

// Set before the interfaces arrive, so the `default` values reach them too.
std::vector<Sysctl> routerSettings() {
    std::vector<Sysctl> settings = quietSettings();
    settings.insert(settings.end(), {
                                        {"net.ipv4.ip_forward", "1"},
                                        // Traceroute-like probing is faster than one a second.
                                        {"net.ipv4.icmp_ratelimit", "0"},
                                        {"net.ipv4.icmp_msgs_per_sec", "100000"},
                                        {"net.ipv4.icmp_msgs_burst", "100000"},
                                        // Answer from the address facing the prober.
                                        {"net.ipv4.icmp_errors_use_inbound_ifaddr", "1"},
                                        {"net.ipv4.conf.all.rp_filter", "0"},
                                        {"net.ipv4.conf.default.rp_filter", "0"},
                                        // Hops must answer, not redirect the prober elsewhere.
                                        {"net.ipv4.conf.all.send_redirects", "0"},
                                        {"net.ipv4.conf.default.send_redirects", "0"},
                                    });
    return settings;
}

// One command of an `ip -batch`: the words joined by spaces, ending the line.
template <typename... Words> std::string line(const Words&... words) {
    std::string text;
    ((text += words, text += ' '), ...);
    text.back() = '\n';
    return text;
}

std::string host(const std::string& address) {
    return address + "/32";
}

// A namespace with one interface, eth0, whose only neighbour is `gateway`.
std::string leafConfiguration(const std::string& address, const std::string& gateway) {
    return line("link set lo up") + line("link set eth0 up") +
           line("address add", host(address), "dev eth0") +
           line("route add", host(gateway), "dev eth0") +
           line("route add default via", gateway, "dev eth0");
}

} // namespace

Lab::Lab()
    : slot_(labSlots().acquire()) {
    base_ = labRange + static_cast<std::uint32_t>(slot_ * labSize);
    prober_ = ipv4Text(base_ + 1);
    try {
        runChecked({{"ip", "address", "add", host(prober_), "dev", "lo"}, {}});
    } catch (...) {
        labSlots().release(slot_);
        throw;
    }
}

Lab::~Lab() {
    // Routes first: once a namespace is gone its veth end and the routes over it disappear
    // asynchronously, and deleting them then would fail.
    std::string batch;
    for (const std::string& destination : testRoutes_)
        batch += line("route delete", destination);
    batch += line("address delete", host(prober_), "dev lo");
    try {
        runChecked({{"ip", "-force", "-batch", "-"}, batch});
    } catch (const std::exception& error) {
        reportCleanupFailure(error.what());
    }
    std::vector<Namespace*> all;
    for (const auto& space : namespaces_)
        all.push_back(space.get());
    try {
        Namespace::removeAll(all);
    } catch (const std::exception& error) {
        reportCleanupFailure(error.what());
    }
    labSlots().release(slot_);
}

std::string Lab::addHost() {
    return addHostsAnswering(1, true).front();
}

std::vector<std::string> Lab::addHosts(int count) {
    return addHostsAnswering(count, true);
}

std::string Lab::addSilentHost() {
    return addHostsAnswering(1, false).front();
}

std::vector<std::string> Lab::addSilentHosts(int count) {
    return addHostsAnswering(count, false);
}

std::string Lab::startSubnet() {
    if (hostSubnet_ == 0 || nextHostByte_ > 1) {
        std::vector<Leaf> sink;
        openHostSubnet(sink);
        buildLeaves(sink);
    }
    return ipv4Text(base_ + static_cast<std::uint32_t>(hostSubnet_ * 256)) + "/24";
}

std::vector<std::string> Lab::addHostsAnswering(int count, bool answering) {
    std::vector<Leaf> leaves;
    std::vector<std::string> addresses;
    for (int i = 0; i < count; ++i) {
        std::string address = takeHostAddress(leaves);
        leaves.push_back({address, answering, {}});
        addresses.push_back(std::move(address));
    }
    buildLeaves(leaves);
    return addresses;
}

std::vector<Namespace*> Lab::adopt(std::vector<std::unique_ptr<Namespace>> created) {
    std::vector<Namespace*> spaces;
    for (auto& space : created) {
        spaces.push_back(space.get());
        namespaces_.push_back(std::move(space));
    }
    return spaces;
}

// Builds every leaf with three `ip` invocations in all plus one per leaf run side by side.
std::vector<Namespace*> Lab::buildLeaves(const std::vector<Leaf>& leaves) {
    const std::vector<Namespace*> spaces = adopt(Namespace::createMany(leaves.size()));
    std::string batch;
    std::vector<std::string> routes;
    std::vector<std::string> veths;
    std::vector<Command> configurations;
    for (std::size_t i = 0; i < leaves.size(); ++i) {
        const Leaf& leaf = leaves[i];
        Namespace& space = *spaces[i];
        std::vector<Sysctl> settings = hostSettings(leaf.answering);
        if (!leaf.sinkFor.empty()) // forwarding off: what it does not own, it drops silently
            settings.push_back({"net.ipv4.ip_forward", "0"});
        space.setSysctls(settings);

        const std::string veth = nextVethName();
        veths.push_back(veth);
        batch += line("link add name", veth, "type veth peer name eth0 netns", space.name()) +
                 line("link set", veth, "up") +
                 line("route add", host(leaf.address), "dev", veth, "src", prober_);
        routes.push_back(host(leaf.address));
        if (!leaf.sinkFor.empty()) {
            batch +=
                line("route add", leaf.sinkFor, "via", leaf.address, "dev", veth, "src", prober_);
            routes.push_back(leaf.sinkFor);
        }
        configurations.push_back(space.ipCommand(leafConfiguration(leaf.address, prober_)));
    }
    addTestRoutes(batch, routes);
    runAllChecked(configurations);
    // The test side came up first; its far end, brought up second, sends at once.
    waitUntilLinksRunning(veths);
    return spaces;
}

RouterChain& Lab::addRouteThroughRouters(int routerCount) {
    if (routerCount < 1)
        throw LabError("a route through routers needs at least one router");
    std::vector<std::string> routers;
    for (int i = 0; i < routerCount; ++i)
        routers.push_back(takeInfrastructureAddress());
    const std::string destination = takeInfrastructureAddress();
    const std::size_t count = routers.size();

    const std::vector<Namespace*> spaces =
        adopt(Namespace::createMany(count + 1)); // the routers, then the destination
    for (std::size_t k = 0; k < count; ++k)
        spaces[k]->setSysctls(routerSettings());
    spaces[count]->setSysctls(hostSettings(true));

    // All veth pairs come from one batch in the test namespace: `netns` may name the
    // namespace of either end.
    const std::string veth = nextVethName();
    std::string batch =
        line("link add name", veth, "type veth peer name vin netns", spaces[0]->name()) +
        line("link set", veth, "up") +
        line("route add", host(routers[0]), "dev", veth, "src", prober_);
    std::vector<std::string> routes = {host(routers[0])};
    std::vector<std::string> reachable = routers;
    reachable.push_back(destination);
    for (std::size_t i = 1; i < reachable.size(); ++i) {
        batch +=
            line("route add", host(reachable[i]), "via", routers[0], "dev", veth, "src", prober_);
        routes.push_back(host(reachable[i]));
    }
    for (std::size_t k = 0; k < count; ++k)
        batch += line("link add name vout netns", spaces[k]->name(), "type veth peer name",
                      k + 1 < count ? "vin" : "eth0", "netns", spaces[k + 1]->name());
    addTestRoutes(batch, routes);

    // Router k: `vin` faces the prober and carries its only address; `vout` leads on.
    std::vector<Command> configurations;
    for (std::size_t k = 0; k < count; ++k) {
        const std::string& previous = k == 0 ? prober_ : routers[k - 1];
        const std::string& next = reachable[k + 1];
        std::string configuration = line("link set lo up") + line("link set vin up") +
                                    line("link set vout up") +
                                    line("address add", host(routers[k]), "dev vin") +
                                    line("route add", host(previous), "dev vin") +
                                    line("route add default via", previous, "dev vin") +
                                    line("route add", host(next), "dev vout");
        for (std::size_t beyond = k + 2; beyond < reachable.size(); ++beyond)
            configuration += line("route add", host(reachable[beyond]), "via", next, "dev vout");
        configurations.push_back(spaces[k]->ipCommand(configuration));
    }
    configurations.push_back(
        spaces[count]->ipCommand(leafConfiguration(destination, routers.back())));
    runAllChecked(configurations);
    // The routers came up side by side: either end of a link between them may be the late one.
    waitUntilLinksRunning({veth});
    for (std::size_t k = 0; k < count; ++k)
        spaces[k]->waitUntilLinksRunning({"vin", "vout"});
    spaces[count]->waitUntilLinksRunning({"eth0"});

    chains_.push_back(std::make_unique<RouterChain>(
        routers, destination, std::vector<Namespace*>(spaces.begin(), spaces.end() - 1)));
    return *chains_.back();
}

UnreachableBehindRouter Lab::addUnreachableBehindRouter() {
    UnreachableBehindRouter result{takeInfrastructureAddress(), takeInfrastructureAddress()};
    Namespace& router = *adopt(Namespace::createMany(1)).front();
    router.setSysctls(routerSettings());
    const std::string veth = nextVethName();
    addTestRoutes(line("link add name", veth, "type veth peer name vin netns", router.name()) +
                      line("link set", veth, "up") +
                      line("route add", host(result.router), "dev", veth, "src", prober_) +
                      line("route add", host(result.target), "via", result.router, "dev", veth,
                           "src", prober_),
                  {host(result.router), host(result.target)});
    router.ip(line("link set lo up") + line("link set vin up") +
              line("address add", host(result.router), "dev vin") +
              line("route add", host(prober_), "dev vin") +
              line("route add default via", prober_, "dev vin") +
              line("route add unreachable", host(result.target)));
    waitUntilLinksRunning({veth});
    return result;
}

std::string Lab::addUnreachableRoute() {
    std::string address = takeInfrastructureAddress();
    addUnreachableRoute(address);
    return address;
}

void Lab::addUnreachableRoute(const std::string& address) {
    addLocalRoute("unreachable", address);
}

std::string Lab::addProhibitRoute() {
    std::string address = takeInfrastructureAddress();
    addProhibitRoute(address);
    return address;
}

void Lab::addProhibitRoute(const std::string& address) {
    addLocalRoute("prohibit", address);
}

void Lab::addLocalRoute(const std::string& type, const std::string& address) {
    ipv4Value(address); // reject anything that is not an address before `ip` sees it
    addTestRoutes(line("route add", type, host(address)), {host(address)});
}

// Routes are remembered before they are added, so the destructor also removes those of a
// batch that failed half-way (`-force` there ignores the ones that never came to be).
void Lab::addTestRoutes(const std::string& batch, const std::vector<std::string>& destinations) {
    testRoutes_.insert(testRoutes_.end(), destinations.begin(), destinations.end());
    runChecked({{"ip", "-batch", "-"}, batch});
}

std::string Lab::takeInfrastructureAddress() {
    if (nextInfrastructure_ > 254)
        throw LabError("this Lab has used up its 253 addresses for routers and targets");
    return ipv4Text(base_ + static_cast<std::uint32_t>(nextInfrastructure_++));
}

void Lab::openHostSubnet(std::vector<Leaf>& leaves) {
    if (hostSubnet_ == hostSubnets)
        throw LabError("this Lab has used up its " + std::to_string(hostSubnets) + " host subnets");
    ++hostSubnet_;
    nextHostByte_ = 1;
    const std::string subnet =
        ipv4Text(base_ + static_cast<std::uint32_t>(hostSubnet_ * 256)) + "/24";
    leaves.push_back({takeInfrastructureAddress(), false, subnet});
}

std::string Lab::takeHostAddress(std::vector<Leaf>& leaves) {
    if (hostSubnet_ == 0 || nextHostByte_ > 254)
        openHostSubnet(leaves);
    return ipv4Text(base_ + static_cast<std::uint32_t>(hostSubnet_ * 256 + nextHostByte_++));
}

} // namespace vantorel::lab
