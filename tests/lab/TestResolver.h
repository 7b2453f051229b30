#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace vantorel::lab {

// A name server of the test's own, so name resolution tests never reach the machine's resolver.
//
// start() runs `dnsmasq` on 127.0.0.1:53 of the test process's private network namespace,
// serving only the records added here (every other name and address: NXDOMAIN; nothing is
// forwarded anywhere), and bind-mounts over /etc, in the private mount namespace:
//   resolv.conf    nameserver 127.0.0.1, options timeout:1 attempts:1
//   hosts          localhost only
//   nsswitch.conf  hosts: files dns
// so getaddrinfo/getnameinfo in this process and its children ask only this server.
//
// It also puts 198.19.255.254/32 on `lo`: getaddrinfo with AI_ADDRCONFIG returns IPv4 results
// only while some non-loopback IPv4 address exists, as on any connected desktop. No IPv6 address
// is added, so an IPv6-only name gives nothing under AI_ADDRCONFIG.
//
// One resolver at a time per test process (they would share port 53 and /etc).
class TestResolver {
public:
    TestResolver();
    ~TestResolver(); // stops the server and restores /etc
    TestResolver(const TestResolver&) = delete;
    TestResolver& operator=(const TestResolver&) = delete;

    // An A record and the matching PTR record.
    TestResolver& addHost(const std::string& name, const std::string& ipv4);
    // Several A records for one name (and a PTR record for each address).
    TestResolver& addAddresses(const std::string& name, const std::vector<std::string>& ipv4s);
    // An AAAA record only: the name has no IPv4 address.
    TestResolver& addIpv6Only(const std::string& name, const std::string& ipv6);
    // A PTR record only: the address has a name that does not resolve forward.
    TestResolver& addPointer(const std::string& ipv4, const std::string& name);

    // Starts serving the records added so far and returns once the server answers. Calling it
    // again restarts the server with the records added since.
    void start();

    // Instead of a server, holds 127.0.0.1:53 with a socket that never answers, so every lookup
    // waits for the resolver timeout (1 s) and fails, as with an unreachable name server.
    void startSilent();

    void stop();

    // How many queries of the given name reached the server since it started, e.g.
    // "10.200.18.198.in-addr.arpa" for a reverse lookup of 198.18.200.10.
    int queryCount(const std::string& name) const;

    // Generated files live in /tmp/vtlab-resolver-<pid>-XXXXXX.
    static constexpr const char* resolverFolderPrefix = "/tmp/vtlab-resolver-";
    static void removeResolverFolder(const std::string& folder);

private:
    void mountConfiguration();
    void unmountConfiguration();
    void waitUntilAnswering();

    std::vector<std::string> recordOptions_;
    std::string folder_; // generated files and the server's log
    pid_t server_ = -1;
    int silentSocket_ = -1;
    std::vector<std::string> mounted_;
    bool addressAdded_ = false;
};

} // namespace vantorel::lab
