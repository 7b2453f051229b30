#include "lab/Command.h"

#include "lab/LabError.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantorel::lab {
namespace {

// A descriptor closed when it goes out of scope, so that an exception while commands run
// leaks no pipe ends (a leaked write end would keep a reader waiting for ever).
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd)
        : fd_(fd) {}
    Descriptor(Descriptor&& other) noexcept
        : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~Descriptor() { reset(); }
    int get() const { return fd_; }
    bool isOpen() const { return fd_ >= 0; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

struct PipeEnds {
    Descriptor read;
    Descriptor write;
};

PipeEnds makePipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw LabError(systemError("pipe2"));
    return {Descriptor(fds[0]), Descriptor(fds[1])};
}

// ctest may run with a PATH that lacks the sbin folders, where `ip` and `dnsmasq` live.
std::string findExecutable(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return name;
    const char* environmentPath = std::getenv("PATH");
    std::string searchPath = environmentPath ? environmentPath : "";
    searchPath += ":/usr/sbin:/usr/bin:/sbin:/bin";
    std::size_t start = 0;
    while (start <= searchPath.size()) {
        std::size_t end = searchPath.find(':', start);
        if (end == std::string::npos)
            end = searchPath.size();
        if (end > start) {
            std::string candidate = searchPath.substr(start, end - start) + "/" + name;
            if (::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    throw LabError("cannot find the program `" + name + "` (is it installed?)");
}

pid_t spawn(const std::vector<std::string>& arguments, int input, int output, int errors) {
    if (arguments.empty())
        throw LabError("empty command line");
    // Everything the child needs is prepared before fork: between fork and exec only
    // async-signal-safe calls are allowed, since other threads may hold locks (malloc's).
    const std::string program = findExecutable(arguments.front());
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid < 0)
        throw LabError(systemError("fork for `" + describe(arguments) + "`"));
    if (pid == 0) {
        ::dup2(input, STDIN_FILENO);
        ::dup2(output, STDOUT_FILENO);
        ::dup2(errors, STDERR_FILENO);
        // The test process may ignore SIGPIPE or block signals; tools expect the defaults.
        struct sigaction defaultAction = {};
        defaultAction.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &defaultAction, nullptr);
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        // Nothing may outlive a test process that crashes or is killed by ctest's timeout.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

int waitForExit(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

struct RunningCommand {
    const Command* command = nullptr;
    pid_t pid = -1;
    Descriptor input;
    Descriptor output;
    Descriptor errors;
    std::size_t written = 0;
    CommandResult result;
};

RunningCommand start(const Command& command) {
    PipeEnds input = makePipe();
    PipeEnds output = makePipe();
    PipeEnds errors = makePipe();
    RunningCommand running;
    running.command = &command;
    running.pid =
        spawn(command.arguments, input.read.get(), output.write.get(), errors.write.get());
    running.input = std::move(input.write);
    running.output = std::move(output.read);
    running.errors = std::move(errors.read);
    ::fcntl(running.input.get(), F_SETFL, O_NONBLOCK);
    if (command.input.empty())
        running.input.reset();
    return running;
}

void readInto(Descriptor& fd, std::string& text) {
    char buffer[4096];
    const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
    if (count > 0)
        text.append(buffer, static_cast<std::size_t>(count));
    else if (count == 0 || (errno != EINTR && errno != EAGAIN))
        fd.reset();
}

void writeFrom(RunningCommand& running) {
    const std::string& input = running.command->input;
    const ssize_t count = ::write(running.input.get(), input.data() + running.written,
                                  input.size() - running.written);
    if (count > 0)
        running.written += static_cast<std::size_t>(count);
    else if (errno != EINTR && errno != EAGAIN)
        running.input.reset(); // the command stopped reading (EPIPE): its exit status tells why
    if (running.written == input.size())
        running.input.reset();
}

// Feeds every command its input and drains both output streams of all of them at once: a
// command blocked on a full pipe while we wait for another would otherwise never finish.
void collect(std::vector<RunningCommand>& commands) {
    for (;;) {
        std::vector<pollfd> polled;
        std::vector<std::pair<RunningCommand*, Descriptor*>> owners;
        for (RunningCommand& running : commands) {
            if (running.input.isOpen()) {
                polled.push_back({running.input.get(), POLLOUT, 0});
                owners.emplace_back(&running, &running.input);
            }
            for (Descriptor* fd : {&running.output, &running.errors}) {
                if (fd->isOpen()) {
                    polled.push_back({fd->get(), POLLIN, 0});
                    owners.emplace_back(&running, fd);
                }
            }
        }
        if (polled.empty())
            break;
        if (::poll(polled.data(), polled.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            throw LabError(systemError("poll on command pipes"));
        }
        for (std::size_t i = 0; i < polled.size(); ++i) {
            if (polled[i].revents == 0)
                continue;
            auto [running, fd] = owners[i];
            if (fd == &running->input)
                writeFrom(*running);
            else
                readInto(*fd,
                         fd == &running->output ? running->result.output : running->result.errors);
        }
    }
    for (RunningCommand& running : commands)
        running.result.exitStatus = waitForExit(running.pid);
}

std::string failureMessage(const Command& command, const CommandResult& result) {
    std::string message = "`" + describe(command.arguments) + "` exited with status " +
                          std::to_string(result.exitStatus);
    if (!result.errors.empty())
        message += ": " + result.errors;
    if (!command.input.empty())
        message += "\ninput was:\n" + command.input;
    return message;
}

} // namespace

std::string describe(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty())
            line += ' ';
        line += argument.find(' ') == std::string::npos ? argument : "'" + argument + "'";
    }
    return line;
}

CommandResult runCommand(const Command& command) {
    std::vector<RunningCommand> running;
    running.push_back(start(command));
    collect(running);
    return std::move(running.front().result);
}

std::string runChecked(const Command& command) {
    CommandResult result = runCommand(command);
    if (result.exitStatus != 0)
        throw LabError(failureMessage(command, result));
    return std::move(result.output);
}

void runAllChecked(const std::vector<Command>& commands) {
    std::vector<RunningCommand> running;
    running.reserve(commands.size());
    try {
        for (const Command& command : commands)
            running.push_back(start(command));
    } catch (...) {
        collect(running); // reap what was started before giving up
        throw;
    }
    collect(running);
    for (const RunningCommand& finished : running) {
        if (finished.result.exitStatus != 0)
            throw LabError(failureMessage(*finished.command, finished.result));
    }
}

pid_t startBackground(const std::vector<std::string>& arguments, const std::string& logPath) {
    Descriptor input(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (!input.isOpen())
        throw LabError(systemError("open /dev/null"));
    Descriptor log(::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    if (!log.isOpen())
        throw LabError(systemError("open " + logPath));
    return spawn(arguments, input.get(), log.get(), log.get());
}

} // namespace vantorel::lab
