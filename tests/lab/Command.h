#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace vantorel::lab {

// Thrown when the lab cannot build what a test asked for, so that the test fails rather than go on.
class LabError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Destructors must not throw, yet a namespace or mount left behind would upset later tests, so a
// failed clean-up is made a test failure.
void reportCleanupFailure(const std::string& what);

// A command line for an external tool and what to feed its standard input.
struct Command {
    std::vector<std::string> arguments;
    std::string input;
};

// Runs the command to its end and returns its standard output; throws LabError, naming the
// command and what it said on stderr, unless it exits with 0. The command dies with the test.
std::string run(const Command& command);

// `ip -batch` of the given lines (one process, not dozens), in the named namespace or ours. Each
// `address` and `route add` line that names IPv4 addresses is followed by its IPv6 twin: the same
// line with the twins of those addresses (Addresses.h).
Command ip(const std::string& batch, const std::string& inNamespace = {});

} // namespace vantorel::lab
