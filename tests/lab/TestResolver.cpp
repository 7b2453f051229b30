#include "lab/TestResolver.h"

#include "lab/Addresses.h"
#include "lab/Command.h"
#include "lab/PrivateNetwork.h"
#include "support/Prometheus.h"

#include <QFile>
#include <arpa/inet.h>
#include <fstream>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

namespace vantorel::lab {
namespace {

// See the class comment: lets AI_ADDRCONFIG lookups return IPv4 results.
const std::string configuredAddress = "198.19.255.254/32 dev lo\n";
// In the lab's private tmpfs, so they vanish with the test process.
const std::string folder = std::string(labFolder) + "/";

// dnsmasq binds its UDP socket before the TCP one, so a TCP connection shows both ready.
bool serving() {
    const int fd = test::connectTo(53);
    return fd >= 0 && ::close(fd) == 0;
}

// Reverse lookup name of `address`: its bytes last first, decimal for IPv4, hex nibbles for IPv6.
std::string reverseName(const std::string& address) {
    std::string reverse;
    unsigned char bytes[16] = {};
    if (::inet_pton(AF_INET6, address.c_str(), bytes) == 1) {
        for (int i = 15; i >= 0; --i)
            for (const int nibble : {bytes[i] & 0xf, bytes[i] >> 4})
                reverse += "0123456789abcdef"[nibble] + std::string(".");
        reverse += "ip6.arpa";
    } else {
        for (std::uint32_t value = ipv4Value(address), i = 0; i < 4; ++i, value >>= 8)
            reverse += std::to_string(value & 0xff) + ".";
        reverse += "in-addr.arpa";
    }
    return reverse;
}

} // namespace

TestResolver::~TestResolver() {
    try {
        stop();
    } catch (const std::exception& error) {
        reportCleanupFailure(error.what());
    }
}

TestResolver& TestResolver::addHost(const std::string& name, const std::string& address) {
    records_ << QString::fromStdString("--host-record=" + name + "," + address);
    return *this;
}

TestResolver& TestResolver::addAddresses(const std::string& name,
                                         const std::vector<std::string>& addresses) {
    for (const std::string& address : addresses)
        addHost(name, address);
    return *this;
}

TestResolver& TestResolver::addPointer(const std::string& address, const std::string& name) {
    records_ << QString::fromStdString("--ptr-record=" + reverseName(address) + "," + name);
    return *this;
}

void TestResolver::start() {
    stop();
    run(ip("address replace " + configuredAddress));
    addressAdded_ = true;
    // No configuration, hosts or upstream server of the machine's; every name is ours, so unknown
    // ones get NXDOMAIN at once. Its default group (dip) would change our credentials, and that
    // clears the parent-death signal that must stop it when a test process dies.
    dnsmasq_ = std::make_unique<test::TestDaemonProcess>(
        "dnsmasq",
        QStringList{"--keep-in-foreground", "--conf-file=/dev/null", "--no-resolv", "--no-hosts",
                    "--no-poll", "--port=53", "--listen-address=127.0.0.1", "--bind-interfaces",
                    "--pid-file=", "--user=root", "--group=root", "--local=/#/", "--log-facility=-",
                    "--log-queries"} +
            records_,
        QProcessEnvironment::systemEnvironment(), QString::fromStdString(folder + "dnsmasq.log"));
    for (int attempt = 0; !serving(); ++attempt) {
        if (attempt == 500 || !dnsmasq_->isRunning())
            throw LabError(dnsmasq_->failure("dnsmasq does not serve 127.0.0.1:53").toStdString());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (const auto& [file, content] : std::initializer_list<std::pair<const char*, const char*>>{
             {"resolv.conf", "nameserver 127.0.0.1\noptions timeout:1 attempts:1\n"},
             {"hosts", "127.0.0.1 localhost\n::1 localhost ip6-localhost ip6-loopback\n"},
             {"nsswitch.conf", "hosts: files dns\n"}}) {
        std::ofstream(folder + file) << content;
        mounted_.push_back(std::string("/etc/") + file);
        if (::mount((folder + file).c_str(), mounted_.back().c_str(), nullptr, MS_BIND, nullptr))
            throw LabError("cannot bind-mount over " + mounted_.back());
    }
    // glibc asks a running nscd before nsswitch.conf; hiding its socket keeps lookups here.
    if (::access("/run/nscd", F_OK) == 0) {
        mounted_.push_back("/run/nscd");
        if (::mount("vtlab", "/run/nscd", "tmpfs", MS_NOSUID | MS_NODEV, nullptr) != 0)
            throw LabError("cannot hide /run/nscd");
    }
}

void TestResolver::stop() {
    dnsmasq_.reset();
    for (; !mounted_.empty(); mounted_.pop_back())
        ::umount2(mounted_.back().c_str(), MNT_DETACH);
    if (std::exchange(addressAdded_, false))
        run(ip("address delete " + configuredAddress));
}

int TestResolver::queryCount(const std::string& address) const {
    // dnsmasq logs each query as "query[TYPE] <name> from <client>".
    QFile log(QString::fromStdString(folder + "dnsmasq.log"));
    log.open(QIODevice::ReadOnly);
    return static_cast<int>(log.readAll().count(("] " + reverseName(address) + " from ").c_str()));
}

} // namespace vantorel::lab
