#include "lab/Lab.h"

#include "lab/Command.h"

#include <atomic>
#include <map>

namespace vantorel::lab {
namespace {

std::bitset<256> labSlots; // 16 of them: one /20 each in 198.18.0.0/16

// Namespace and veth names are never reused: a removed namespace frees its veths asynchronously.
std::string nextName(const char* prefix) {
    static std::atomic<int> counter{0};
    return prefix + std::to_string(++counter);
}

// Forwarding off: a host drops silently what it does not own.
std::vector<Sysctl> hostSettings(bool answering) {
    return {{"net.ipv4.icmp_echo_ignore_all", answering ? "0" : "1"},
            {"net.ipv6.icmp.echo_ignore_all", answering ? "0" : "1"},
            {"net.ipv4.ip_forward", "0"}};
}

// Set before the interfaces arrive, so the `default` values reach them too: routers forward, answer
// probes faster than once a second from the address facing the prober, and never redirect it.
const std::vector<Sysctl> routerSettings = {{"net.ipv4.ip_forward", "1"},
                                            {"net.ipv6.conf.all.forwarding", "1"},
                                            {"net.ipv4.icmp_ratelimit", "0"},
                                            {"net.ipv6.icmp.ratelimit", "0"},
                                            {"net.ipv4.icmp_msgs_per_sec", "100000"},
                                            {"net.ipv4.icmp_msgs_burst", "100000"},
                                            {"net.ipv4.icmp_errors_use_inbound_ifaddr", "1"},
                                            {"net.ipv4.conf.all.rp_filter", "0"},
                                            {"net.ipv4.conf.default.rp_filter", "0"},
                                            {"net.ipv4.conf.all.send_redirects", "0"},
                                            {"net.ipv4.conf.default.send_redirects", "0"}};

// One command of an `ip -batch`: the words joined by spaces, ending the line.
template <typename... Words> std::string line(const Words&... words) {
    std::string text;
    ((text += words, text += ' '), ...);
    text.back() = '\n';
    return text;
}

// Unlike ARP, IPv6 neighbour discovery answers only for the addresses of the interface asked, so
// the twin of a namespace's address goes on each of its interfaces that neighbours route to.
std::string neighbourAddress(const std::string& address, const std::string& interface) {
    return line("address add", ipv6Twin(address) + "/128", "dev", interface);
}

constexpr const char* linkLocal = "fe80::2"; // of every subnet's answering hosts

std::string host(const std::string& address) {
    return address + "/32";
}

// A namespace with one interface, eth0, which has `address` and whose only neighbour is `gateway`.
std::string leafConfiguration(const std::string& gateway, const std::string& address) {
    return line("link set lo up") + line("link set eth0 up") +
           line("route add", host(gateway), "dev eth0") +
           line("route add default via", gateway, "dev eth0") +
           line("address add", address, "dev eth0");
}

} // namespace

Lab::Lab()
    : slot_(labSlots, 16)
    , base_(0xC6120000 + slot_.number * 16 * 256)
    , prober_(ipv4Text(base_ + 1)) {
    run(ip(line("address add", host(prober_), "dev lo")));
}

Lab::~Lab() {
    // Routes first, lest a Lab taking this slot next meet them, then the namespaces. Named
    // before they were created, some may not exist: `-force` passes over those.
    std::string spaces;
    for (const std::string& name : namespaces_)
        spaces += line("netns delete", name);
    try {
        run(ip(line("route flush root", ipv4Text(base_) + "/20") +
               line("address delete", host(prober_), "dev lo")));
        run({{"ip", "-6", "route", "flush", "root", ipv6Twin(ipv4Text(base_)) + "/116"}, ""});
        run({{"ip", "-force", "-batch", "-"}, spaces});
    } catch (const std::exception& error) {
        reportCleanupFailure(error.what());
    }
}

std::string Lab::linkLocalHost() {
    if (hostSubnet_ == 0)
        openHostSubnet();
    return linkLocal + ('%' + hostVeths_[1]);
}

std::string Lab::startSubnet() {
    if (hostSubnet_ == 0 || nextHostByte_ > 1)
        openHostSubnet();
    return ipv4Text(base_ + static_cast<std::uint32_t>(hostSubnet_ * 256)) + "/24";
}

std::vector<std::string> Lab::addHostsAnswering(int count, bool answering) {
    std::vector<std::string> addresses;
    std::string routes;
    std::map<std::string, std::string> owned; // the batch of each host namespace
    for (int i = 0; i < count; ++i) {
        if (hostSubnet_ == 0 || nextHostByte_ > 254)
            openHostSubnet();
        addresses.push_back(ipv4Text(base_ + std::uint32_t(hostSubnet_ * 256 + nextHostByte_++)));
        routes +=
            line("route add", host(addresses.back()), "dev", hostVeths_[answering], "src", prober_);
        owned[hostSpaces_[answering]] += line("address add", host(addresses.back()), "dev eth0");
    }
    for (const auto& [space, batch] : owned)
        run(ip(batch, space));
    run(ip(routes));
    return addresses;
}

void Lab::openHostSubnet() {
    if (hostSubnet_ == 15)
        throw LabError("this Lab has used up its host subnets");
    ++hostSubnet_;
    nextHostByte_ = 1;
    const auto subnet = ipv4Text(base_ + static_cast<std::uint32_t>(hostSubnet_ * 256)) + "/24";
    const std::string sink = takeInfrastructureAddress();
    hostSpaces_ = createNamespaces({hostSettings(false), hostSettings(true)});
    hostVeths_ = {nextName("vtl"), nextName("vtl")};
    std::string batch;
    for (std::size_t i = 0; i < 2; ++i)
        batch +=
            line("link add name", hostVeths_[i], "type veth peer name eth0 netns", hostSpaces_[i]) +
            line("link set", hostVeths_[i], "up") + neighbourAddress(prober_, hostVeths_[i]);
    run(ip(batch + line("route add", host(sink), "dev", hostVeths_[0], "src", prober_) +
           line("route add", subnet, "via", sink, "dev", hostVeths_[0], "src", prober_)));
    run(ip(leafConfiguration(prober_, host(sink)), hostSpaces_[0]));
    run(ip(leafConfiguration(prober_, linkLocal + std::string("/64")), hostSpaces_[1]));
    // The test side came up first; its far end, brought up second, sends at once.
    waitUntilLinksRunning(hostVeths_);
}

RouterChain& Lab::addRouteThroughRouters(int routerCount) {
    std::vector<std::string> routers;
    for (int i = 0; i < routerCount; ++i)
        routers.push_back(takeInfrastructureAddress());
    const std::string destination = takeInfrastructureAddress();
    const std::vector<std::string> spaces = buildRouters(routers, destination, true);
    chains_.push_back(std::make_unique<RouterChain>(
        routers, destination, std::vector<std::string>(spaces.begin(), spaces.end() - 1)));
    return *chains_.back();
}

UnreachableBehindRouter Lab::addUnreachableBehindRouter() {
    UnreachableBehindRouter result{takeInfrastructureAddress(), takeInfrastructureAddress()};
    buildRouters({result.router}, result.target, false);
    return result;
}

// Routers in a line from the test process; the last leads to `destination`, a host namespace of
// its own, or declares it unreachable. Returns the namespaces in hop order.
std::vector<std::string> Lab::buildRouters(const std::vector<std::string>& routers,
                                           const std::string& destination, bool reachable) {
    if (routers.empty())
        throw LabError("a route through routers needs at least one router");
    const std::size_t count = routers.size();
    std::vector<std::vector<Sysctl>> settings(count, routerSettings);
    if (reachable)
        settings.push_back(hostSettings(true));
    const std::vector<std::string> spaces = createNamespaces(settings);

    // All veth pairs come from one batch in the test namespace: `netns` may name the namespace
    // of either end. All but the first router is reached through the first.
    const std::string veth = nextName("vtl");
    std::string batch = line("link add name", veth, "type veth peer name vin netns", spaces[0]) +
                        line("link set", veth, "up") + neighbourAddress(prober_, veth);
    std::vector<std::string> path = routers;
    path.push_back(destination);
    for (const std::string& address : path)
        batch += line("route add", host(address), address == routers[0] ? "" : "via " + routers[0],
                      "dev", veth, "src", prober_);
    for (std::size_t k = 0; k + 1 < spaces.size(); ++k)
        batch += line("link add name vout netns", spaces[k], "type veth peer name",
                      k + 1 < count ? "vin" : "eth0", "netns", spaces[k + 1]);
    run(ip(batch));

    // Router k: `vin` faces the prober and carries its only address; `vout` leads on.
    for (std::size_t k = 0; k < count; ++k) {
        const std::string& previous = k == 0 ? prober_ : routers[k - 1];
        std::string configuration = line("link set lo up") + line("link set vin up") +
                                    line("address add", host(routers[k]), "dev vin") +
                                    line("route add", host(previous), "dev vin") +
                                    line("route add default via", previous, "dev vin");
        if (k + 1 == spaces.size())
            configuration += line("route add unreachable", host(destination));
        else
            configuration += line("link set vout up") + neighbourAddress(routers[k], "vout") +
                             line("route add", host(path[k + 1]), "dev vout");
        for (std::size_t beyond = k + 2; beyond < path.size(); ++beyond)
            configuration += line("route add", host(path[beyond]), "via", path[k + 1], "dev vout");
        run(ip(configuration, spaces[k]));
    }
    if (reachable)
        run(ip(leafConfiguration(routers.back(), host(destination)), spaces.back()));
    // Of each link, the end brought up first is the one to wait for.
    waitUntilLinksRunning({veth});
    for (std::size_t k = 0; k + 1 < spaces.size(); ++k)
        waitUntilLinksRunning({"vout"}, spaces[k]);
    return spaces;
}

std::vector<std::string> Lab::createNamespaces(const std::vector<std::vector<Sysctl>>& settings) {
    std::vector<std::string> names;
    std::string batch;
    for (std::size_t i = 0; i < settings.size(); ++i) {
        names.push_back(nextName("vtlab-"));
        namespaces_.push_back(names.back());
        batch += line("netns add", names.back());
    }
    run(ip(batch));
    for (std::size_t i = 0; i < names.size(); ++i) {
        // Before interfaces arrive: no duplicate address detection, so IPv6 addresses work at once.
        std::vector<Sysctl> all = {{"net.ipv6.conf.all.accept_dad", "0"},
                                   {"net.ipv6.conf.default.accept_dad", "0"}};
        all.insert(all.end(), settings[i].begin(), settings[i].end());
        writeSysctls(all, names[i]);
    }
    return names;
}

std::string Lab::addLocalRoute(const char* type) {
    const std::string address = takeInfrastructureAddress();
    run(ip(line("route add", type, host(address))));
    return address;
}

std::string Lab::takeInfrastructureAddress() {
    if (nextInfrastructure_ > 254)
        throw LabError("this Lab has used up its 253 addresses for routers and targets");
    return ipv4Text(base_ + static_cast<std::uint32_t>(nextInfrastructure_++));
}

} // namespace vantorel::lab
