#include "lab/Kernel.h"

#include "lab/Command.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace vantorel::lab {

void writeSysctls(const std::vector<Sysctl>& settings, const std::string& inNamespace) {
    std::string script;
    for (const auto& [key, value] : settings) {
        std::string path = key;
        std::replace(path.begin(), path.end(), '.', '/');
        script += "echo '" + value + "' > /proc/sys/" + path + "\n";
    }
    // /proc/sys/net shows the settings of the writer's network namespace.
    std::vector<std::string> shell = {"sh", "-e"};
    if (!inNamespace.empty())
        shell.insert(shell.begin(), {"ip", "netns", "exec", inNamespace});
    run({shell, script});
}

void waitUntilLinksRunning(const std::vector<std::string>& links, const std::string& inNamespace) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (const std::string& interface : links)
        while (run(ip("link show dev " + interface + "\n", inNamespace)).find(" state UP ") ==
               std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline)
                throw LabError("interface " + interface + " not up after 5 s");
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
}

ReadOnlyFolder::ReadOnlyFolder(std::string folder)
    : folder_(std::move(folder)) {
    run({{"mount", "--bind", "-o", "ro", folder_, folder_}, ""});
}

ReadOnlyFolder::~ReadOnlyFolder() {
    try {
        run({{"umount", folder_}, ""});
    } catch (const LabError& error) {
        reportCleanupFailure(error.what());
    }
}

} // namespace vantorel::lab
