#include "net/TcpConnector.h"

#include "platform/Clock.h"

#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace vantorel {

struct TcpConnector::Attempt {
    sockaddr_storage address{};
    socklen_t length = 0;
    std::int64_t deadline = 0;
    Done done;
    std::int64_t start = 0;
    int fd = -1;

    void finish(std::optional<double> rttMs) {
        if (fd >= 0)
            ::close(fd);
        done(rttMs);
    }

    // False when the attempt is over already: refused at once, or (rare, but allowed) connected
    // within the call.
    bool begin() {
        fd = ::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) {
            finish(std::nullopt);
            return false;
        }
        start = monotonicNanos();
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
            finish(double(monotonicNanos() - start) / 1e6);
            return false;
        }
        if (errno == EINPROGRESS)
            return true;
        finish(std::nullopt);
        return false;
    }
};

TcpConnector& TcpConnector::shared() {
    // Never destroyed: attempts may still be in flight when the process exits.
    static auto* const connector = new TcpConnector();
    return *connector;
}

TcpConnector::TcpConnector() {
    if (::pipe2(wake_, O_CLOEXEC) != 0)
        qFatal("service-probe: no pipe: %s", strerror(errno));
    auto* thread = QThread::create([this] { run(); });
    thread->setObjectName(QStringLiteral("service-probe"));
    thread->start();
}

void TcpConnector::connect(const sockaddr_storage& address, socklen_t length, std::int64_t deadline,
                           Done done) {
    auto* attempt = new Attempt{address, length, deadline, std::move(done)};
    // A pointer is far below PIPE_BUF, so writes from several threads never interleave.
    if (::write(wake_[1], &attempt, sizeof attempt) != sizeof attempt) {
        attempt->finish(std::nullopt);
        delete attempt;
    }
}

void TcpConnector::run() {
    std::vector<Attempt*> connecting;
    std::vector<pollfd> watched;
    for (;;) {
        watched.assign(1, pollfd{wake_[0], POLLIN, 0});
        std::int64_t earliest = INT64_MAX;
        for (const Attempt* attempt : connecting) {
            watched.push_back({attempt->fd, POLLOUT, 0});
            earliest = std::min(earliest, attempt->deadline);
        }
        int timeoutMs = -1;
        if (earliest != INT64_MAX)
            timeoutMs =
                int(std::max<std::int64_t>(0, (earliest - monotonicNanos() + 999'999) / 1'000'000));
        if (::poll(watched.data(), watched.size(), timeoutMs) < 0 && errno != EINTR)
            qFatal("service-probe: poll failed: %s", strerror(errno));
        // The moment the connections below are known to be established.
        const std::int64_t now = monotonicNanos();

        std::vector<Attempt*> waiting;
        for (std::size_t i = 0; i < connecting.size(); ++i) {
            Attempt* attempt = connecting[i];
            if (watched[i + 1].revents != 0) {
                int error = 0;
                socklen_t size = sizeof error;
                ::getsockopt(attempt->fd, SOL_SOCKET, SO_ERROR, &error, &size);
                attempt->finish(error == 0 ? std::optional(double(now - attempt->start) / 1e6)
                                           : std::nullopt);
                delete attempt;
            } else if (now >= attempt->deadline) {
                attempt->finish(std::nullopt);
                delete attempt;
            } else {
                waiting.push_back(attempt);
            }
        }
        connecting.swap(waiting);

        if (watched[0].revents & POLLIN) {
            Attempt* arrived = nullptr;
            if (::read(wake_[0], &arrived, sizeof arrived) == sizeof arrived) {
                if (arrived->begin())
                    connecting.push_back(arrived);
                else
                    delete arrived;
            }
        }
    }
}

} // namespace vantorel
