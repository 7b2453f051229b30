#pragma once

#include "support/SessionBusProcess.h"

#include <QStringList>
#include <memory>
#include <string>
#include <vector>

namespace vantorel::lab {

// A name server of the test's own, so name resolution tests never reach the machine's resolver:
// `dnsmasq` on 127.0.0.1:53 of the private network, serving only the records added here (any
// other name: NXDOMAIN; nothing is forwarded), with /etc/resolv.conf (timeout 1 s, one attempt),
// /etc/hosts (localhost only) and /etc/nsswitch.conf ("hosts: files dns") bind-mounted in the
// private mount namespace, so lookups of this process and its children ask only this server.
// It also puts 198.19.255.254/32 and its IPv6 twin on `lo`: getaddrinfo with AI_ADDRCONFIG
// returns results of a family only while some non-loopback address of it exists, as on any
// connected desktop. One at a time per test process.
class TestResolver {
public:
    ~TestResolver(); // stops the server and restores /etc

    // An A or AAAA record, by the address's family, and the matching PTR record.
    TestResolver& addHost(const std::string& name, const std::string& address);
    // Several such records for one name (and a PTR record for each address), in this order.
    TestResolver& addAddresses(const std::string& name, const std::vector<std::string>& addresses);
    // A PTR record only (IPv4 or IPv6): the address has a name that does not resolve forward.
    TestResolver& addPointer(const std::string& address, const std::string& name);

    // Serves the records added so far once it returns; again, with those added since.
    void start();
    void stop();

    // How many reverse lookups of `address` reached the server since it started.
    int queryCount(const std::string& address) const;

private:
    QStringList records_; // dnsmasq options
    std::unique_ptr<test::TestDaemonProcess> dnsmasq_;
    std::vector<std::string> mounted_;
    bool addressAdded_ = false;
};

} // namespace vantorel::lab
