#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace vantorel::lab {

// A command line for an external tool (`ip`, `dnsmasq`, `ping`, ...) and what to feed its
// standard input; `ip -batch -` reads its commands there, which is how the lab keeps the number
// of processes small when it builds many namespaces.
struct Command {
    std::vector<std::string> arguments;
    std::string input;
};

struct CommandResult {
    int exitStatus = -1; // the exit code, or 128 + the signal that ended the command
    std::string output;
    std::string errors;
};

// The command line as one would type it, for error messages.
std::string describe(const std::vector<std::string>& arguments);

// Runs the command to its end. Throws LabError only when it cannot be started.
CommandResult runCommand(const Command& command);

// Runs the command and returns its standard output; throws LabError, naming the command line
// and its standard error, unless it exits with 0.
std::string runChecked(const Command& command);

// Runs the commands side by side and waits for all of them; then throws LabError for the first
// one that failed. Configuring fifty namespaces one after the other would cost a second.
void runAllChecked(const std::vector<Command>& commands);

// Starts a command that keeps running (a daemon), with standard input from /dev/null and both
// output streams appended to `logPath`. The child is killed if this process dies, so a crashed
// test leaves nothing running. Returns its process id.
pid_t startBackground(const std::vector<std::string>& arguments, const std::string& logPath);

} // namespace vantorel::lab
