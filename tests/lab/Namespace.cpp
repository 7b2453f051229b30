#include "lab/Namespace.h"

#include "lab/LabError.h"
#include "lab/Links.h"
#include "lab/PrivateNetwork.h"

#include <atomic>
#include <exception>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <thread>
#include <unistd.h>

namespace vantorel::lab {
namespace {

// Runs `work` on a short-lived thread that has entered the namespace. A network namespace is a
// property of each thread, so this leaves the rest of the test process where it was and needs no
// child process; /proc/sys/net then shows the settings of that namespace.
void insideNamespace(const std::string& name, const std::function<void()>& work) {
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            const std::string path = std::string(namespaceFolder) + "/" + name;
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                throw LabError(systemError("cannot open namespace " + path));
            const int entered = ::setns(fd, CLONE_NEWNET);
            ::close(fd);
            if (entered != 0)
                throw LabError(systemError("cannot enter namespace " + name));
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

Namespace::Namespace()
    : Namespace(nextName()) {
    runChecked({{"ip", "netns", "add", name_}, {}});
}

Namespace::Namespace(std::string name)
    : name_(std::move(name)) {}

Namespace::~Namespace() {
    if (removed_)
        return;
    try {
        runChecked({{"ip", "netns", "delete", name_}, {}});
    } catch (const std::exception& error) {
        reportCleanupFailure(error.what());
    }
}

std::string Namespace::nextName() {
    static std::atomic<int> counter{0};
    return "vtlab-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
}

std::vector<std::unique_ptr<Namespace>> Namespace::createMany(std::size_t count) {
    std::vector<std::unique_ptr<Namespace>> created;
    std::string batch;
    for (std::size_t i = 0; i < count; ++i) {
        created.push_back(std::unique_ptr<Namespace>(new Namespace(nextName())));
        batch += "netns add " + created.back()->name() + "\n";
    }
    try {
        runChecked({{"ip", "-batch", "-"}, batch});
    } catch (...) {
        // Some may exist: remove whatever is there without complaining about the rest.
        std::string removal;
        for (const auto& space : created) {
            removal += "netns delete " + space->name() + "\n";
            space->removed_ = true;
        }
        runCommand({{"ip", "-force", "-batch", "-"}, removal});
        throw;
    }
    return created;
}

void Namespace::removeAll(const std::vector<Namespace*>& namespaces) {
    std::string batch;
    for (Namespace* space : namespaces) {
        if (!space->removed_)
            batch += "netns delete " + space->name() + "\n";
        space->removed_ = true;
    }
    if (!batch.empty())
        runChecked({{"ip", "-force", "-batch", "-"}, batch});
}

std::string Namespace::run(const std::vector<std::string>& arguments) const {
    std::vector<std::string> line = {"ip", "netns", "exec", name_};
    line.insert(line.end(), arguments.begin(), arguments.end());
    return runChecked({line, {}});
}

void Namespace::ip(const std::string& batch) const {
    runChecked(ipCommand(batch));
}

Command Namespace::ipCommand(const std::string& batch) const {
    return {{"ip", "-netns", name_, "-batch", "-"}, batch};
}

void Namespace::setSysctls(const std::vector<Sysctl>& settings) const {
    insideNamespace(name_, [&] { writeSysctls(settings); });
}

std::string Namespace::sysctl(const std::string& key) const {
    std::string value;
    insideNamespace(name_, [&] { value = readSysctl(key); });
    return value;
}

void Namespace::waitUntilLinksRunning(const std::vector<std::string>& interfaces) const {
    insideNamespace(name_, [&] { lab::waitUntilLinksRunning(interfaces); });
}

} // namespace vantorel::lab
