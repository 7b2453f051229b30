#include "platform/TerminationSignals.h"

#include <array>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace vantorel {

namespace {

constexpr std::array kSignals{SIGTERM, SIGINT};

// A handler may do next to nothing, and writing to a pipe is one of those things: the main
// thread's event loop watches the other end.
std::array<int, 2> pipeEnds{-1, -1};

void handle(int signal) {
    const char byte = char(signal);
    [[maybe_unused]] const auto written = ::write(pipeEnds[1], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals() {
    if (::pipe2(pipeEnds.data(), O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::drain);
    struct sigaction action {};
    action.sa_handler = handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    for (const int signal : kSignals)
        std::signal(signal, SIG_DFL);
    notifier_.reset();
    for (int& end : pipeEnds)
        if (end >= 0)
            ::close(std::exchange(end, -1));
}

void TerminationSignals::drain() {
    char bytes[16];
    while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
    }
    Q_EMIT received();
}

} // namespace vantorel
