#include "lab/TestResolver.h"

#include "lab/Addresses.h"
#include "lab/Command.h"
#include "lab/LabError.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantorel::lab {
namespace {

// See the class comment: lets AI_ADDRCONFIG lookups return IPv4 results.
constexpr const char* configuredAddress = "198.19.255.254/32";

sockaddr_in serverAddress() {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::trunc);
    file << content;
    file.close();
    if (!file)
        throw LabError("cannot write " + path);
}

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

std::string reverseName(const std::string& ipv4) {
    const std::uint32_t value = ipv4Value(ipv4);
    return std::to_string(value & 0xff) + "." + std::to_string((value >> 8) & 0xff) + "." +
           std::to_string((value >> 16) & 0xff) + "." + std::to_string(value >> 24) +
           ".in-addr.arpa";
}

// A query for an A record of a name the server does not know; any answer, NXDOMAIN included,
// shows that it is serving.
std::string readinessQuery(std::uint16_t id) {
    std::string query = {static_cast<char>(id >> 8),
                         static_cast<char>(id & 0xff),
                         0x01,
                         0x00, // recursion desired
                         0x00,
                         0x01,
                         0x00,
                         0x00,
                         0x00,
                         0x00,
                         0x00,
                         0x00};
    for (const char* label : {"ready", "vantorel-lab"}) {
        query += static_cast<char>(std::char_traits<char>::length(label));
        query += label;
    }
    query += std::string("\0\0\x01\0\x01", 5); // root, type A, class IN
    return query;
}

} // namespace

TestResolver::TestResolver() {
    // The process id in the name lets a later lab run remove the folder if this process dies
    // before its destructor runs.
    std::string folder = std::string(resolverFolderPrefix) + std::to_string(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(folder.data()))
        throw LabError(systemError("mkdtemp for the test resolver"));
    folder_ = folder;
}

TestResolver::~TestResolver() {
    try {
        stop();
    } catch (const std::exception& error) {
        reportCleanupFailure(error.what());
    }
    removeResolverFolder(folder_);
}

void TestResolver::removeResolverFolder(const std::string& folder) {
    for (const char* file : {"resolv.conf", "hosts", "nsswitch.conf", "dnsmasq.log"})
        ::unlink((folder + "/" + file).c_str());
    ::rmdir(folder.c_str());
}

TestResolver& TestResolver::addHost(const std::string& name, const std::string& ipv4) {
    ipv4Value(ipv4);
    recordOptions_.push_back("--host-record=" + name + "," + ipv4);
    return *this;
}

TestResolver& TestResolver::addAddresses(const std::string& name,
                                         const std::vector<std::string>& ipv4s) {
    for (const std::string& ipv4 : ipv4s)
        addHost(name, ipv4);
    return *this;
}

TestResolver& TestResolver::addIpv6Only(const std::string& name, const std::string& ipv6) {
    in6_addr parsed = {};
    if (::inet_pton(AF_INET6, ipv6.c_str(), &parsed) != 1)
        throw LabError("not an IPv6 address: \"" + ipv6 + "\"");
    recordOptions_.push_back("--host-record=" + name + "," + ipv6);
    return *this;
}

TestResolver& TestResolver::addPointer(const std::string& ipv4, const std::string& name) {
    recordOptions_.push_back("--ptr-record=" + reverseName(ipv4) + "," + name);
    return *this;
}

void TestResolver::start() {
    stop();
    runChecked({{"ip", "address", "replace", configuredAddress, "dev", "lo"}, {}});
    addressAdded_ = true;
    std::vector<std::string> arguments = {
        "dnsmasq",
        "--keep-in-foreground",
        "--conf-file=/dev/null", // nothing from the machine's dnsmasq configuration
        "--no-resolv",           // no upstream servers: nothing is ever forwarded
        "--no-hosts",
        "--no-poll",
        "--port=53",
        "--listen-address=127.0.0.1",
        "--bind-interfaces",
        "--pid-file=",
        "--user=root",
        // Its default group (dip) would change our credentials, and that clears the
        // parent-death signal that must stop it when a test process dies.
        "--group=root",
        "--local=/#/", // every name is ours: unknown ones get NXDOMAIN at once
        "--log-facility=-",
        "--log-queries",
    };
    arguments.insert(arguments.end(), recordOptions_.begin(), recordOptions_.end());
    server_ = startBackground(arguments, folder_ + "/dnsmasq.log");
    waitUntilAnswering();
    mountConfiguration();
}

void TestResolver::startSilent() {
    stop();
    runChecked({{"ip", "address", "replace", configuredAddress, "dev", "lo"}, {}});
    addressAdded_ = true;
    silentSocket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = serverAddress();
    if (silentSocket_ < 0 ||
        ::bind(silentSocket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw LabError(systemError("cannot hold 127.0.0.1:53 for a silent resolver"));
    mountConfiguration();
}

void TestResolver::stop() {
    if (server_ > 0) {
        ::kill(server_, SIGTERM);
        ::waitpid(server_, nullptr, 0);
        server_ = -1;
    }
    if (silentSocket_ >= 0) {
        ::close(silentSocket_);
        silentSocket_ = -1;
    }
    unmountConfiguration();
    if (addressAdded_) {
        addressAdded_ = false;
        runChecked({{"ip", "address", "delete", configuredAddress, "dev", "lo"}, {}});
    }
}

void TestResolver::waitUntilAnswering() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const sockaddr_in address = serverAddress();
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw LabError(systemError("socket for asking the test resolver"));
    const std::uint16_t id = 0x7e57;
    const std::string query = readinessQuery(id);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::string failure;
    while (std::chrono::steady_clock::now() < deadline) {
        // Until dnsmasq binds the port, the query is refused; that error is read and ignored.
        [[maybe_unused]] auto sent = ::send(fd, query.data(), query.size(), 0);
        pollfd readable = {fd, POLLIN, 0};
        if (::poll(&readable, 1, 50) == 1) {
            unsigned char answer[512];
            const ssize_t length = ::recv(fd, answer, sizeof answer, 0);
            if (length >= 12 && answer[0] == id >> 8 && answer[1] == (id & 0xff)) {
                ::close(fd);
                return;
            }
        }
        if (::waitpid(server_, nullptr, WNOHANG) == server_) {
            server_ = -1;
            failure = "dnsmasq exited";
            break;
        }
    }
    ::close(fd);
    if (failure.empty())
        failure = "dnsmasq did not answer on 127.0.0.1:53 within 5 s";
    throw LabError(failure + "; its log:\n" + readFile(folder_ + "/dnsmasq.log"));
}

void TestResolver::mountConfiguration() {
    if (!mounted_.empty())
        return;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"resolv.conf", "nameserver 127.0.0.1\noptions timeout:1 attempts:1\n"},
        {"hosts", "127.0.0.1 localhost\n::1 localhost ip6-localhost ip6-loopback\n"},
        {"nsswitch.conf", "hosts: files dns\n"},
    };
    for (const auto& [file, content] : files) {
        const std::string source = folder_ + "/" + file;
        const std::string target = "/etc/" + file;
        writeFile(source, content);
        if (::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0)
            throw LabError(systemError("cannot bind-mount " + source + " over " + target));
        mounted_.push_back(target);
    }
    // glibc asks a running nscd before nsswitch.conf; hide its socket so lookups stay here.
    struct stat info = {};
    if (::stat("/run/nscd", &info) == 0 && S_ISDIR(info.st_mode)) {
        if (::mount("vtlab", "/run/nscd", "tmpfs", MS_NOSUID | MS_NODEV, nullptr) != 0)
            throw LabError(systemError("cannot hide /run/nscd"));
        mounted_.push_back("/run/nscd");
    }
}

void TestResolver::unmountConfiguration() {
    while (!mounted_.empty()) {
        if (::umount2(mounted_.back().c_str(), MNT_DETACH) != 0)
            reportCleanupFailure(systemError("umount " + mounted_.back()));
        mounted_.pop_back();
    }
}

int TestResolver::queryCount(const std::string& name) const {
    // dnsmasq logs each query as "query[TYPE] <name> from <client>".
    const std::string log = readFile(folder_ + "/dnsmasq.log");
    const std::string needle = "] " + name + " from ";
    int count = 0;
    for (auto at = log.find(needle); at != std::string::npos; at = log.find(needle, at + 1))
        ++count;
    return count;
}

} // namespace vantorel::lab
