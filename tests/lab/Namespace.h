#pragma once

#include "lab/Command.h"
#include "lab/Sysctl.h"

#include <memory>
#include <string>
#include <vector>

namespace vantorel::lab {

// A named network namespace (`ip netns add vtlab-<pid>-<n>`) standing for one machine of a lab
// topology: a host, a router, a sink. Removed when destroyed, also when a test fails half-way.
class Namespace {
public:
    Namespace();
    ~Namespace();
    Namespace(const Namespace&) = delete;
    Namespace& operator=(const Namespace&) = delete;

    // Creates many namespaces with one `ip` process; a lab with fifty hosts needs this.
    static std::vector<std::unique_ptr<Namespace>> createMany(std::size_t count);

    // Removes several namespaces with one `ip` process. Their destructors then do nothing.
    static void removeAll(const std::vector<Namespace*>& namespaces);

    const std::string& name() const { return name_; }

    // Runs a program inside the namespace (`ip netns exec`) and returns its standard output;
    // throws LabError if it fails.
    std::string run(const std::vector<std::string>& arguments) const;

    // Runs `ip` commands inside the namespace, one per line, as one `ip -batch`.
    void ip(const std::string& batch) const;

    // The same as a Command, for running the batches of many namespaces side by side.
    Command ipCommand(const std::string& batch) const;

    // Sets kernel settings inside the namespace, e.g. {"net.ipv4.ip_forward", "1"}.
    void setSysctls(const std::vector<Sysctl>& settings) const;
    std::string sysctl(const std::string& key) const;

    // See waitUntilLinksRunning() in Links.h.
    void waitUntilLinksRunning(const std::vector<std::string>& interfaces) const;

private:
    explicit Namespace(std::string name);
    static std::string nextName();

    std::string name_;
    bool removed_ = false;
};

} // namespace vantorel::lab
