#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <sys/socket.h>

namespace vantorel {

// The service-probe thread: makes TCP connections with a non-blocking connect() and times them
// there, as poll() reports each one established. The main thread may be busy painting when a
// connection completes; a time taken from its event loop would grow by exactly that wait.
class TcpConnector {
public:
    // Milliseconds from the connect() call to the established connection, or none when it failed
    // or was not made by the deadline. Called on the service-probe thread.
    using Done = std::function<void(std::optional<double> rttMs)>;

    // The process's one connector, started on first use and never stopped.
    static TcpConnector& shared();

    // Connects to `address` and closes the connection again at once: holding it open would tie
    // up a slot of the service for nothing. `deadline` is in monotonic nanoseconds. Callable from
    // any thread.
    void connect(const sockaddr_storage& address, socklen_t length, std::int64_t deadline,
                 Done done);

private:
    struct Attempt;

    TcpConnector();
    void run();

    // Attempts reach the thread as pointers written to this pipe, which is also what wakes its
    // poll(); the thread owns them from there on.
    int wake_[2] = {-1, -1};
};

} // namespace vantorel
