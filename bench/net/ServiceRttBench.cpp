// RTT accuracy of the TCP service check against a connect() timed here, over a TUN-emulated path
// with a fixed 10 ms delay, measured interleaved (check, reference, check, …) in one run: once
// with an idle main thread, once with the main (GUI) thread kept 80 % busy.
//
//   build/bench/net/service_rtt_bench [pairs]      (root: it builds a private test network)
//
// Prints the median and 90th percentile of |check − reference| per pair for each phase.
#include "BusyMainThread.h"
#include "lab/PrivateNetwork.h"
#include "lab/TunPath.h"
#include "net/ServiceProbe.h"
#include "platform/Clock.h"
#include "platform/Task.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <future>
#include <optional>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace vantorel;

namespace {

constexpr std::uint16_t kPort = 80;

std::optional<double> checkRtt(const QString& destination) {
    std::promise<std::optional<double>> rtt;
    auto result = rtt.get_future();
    startTask([&rtt, probe = ServiceProbe(ServiceProbe::Tcp{destination, kPort})](TaskHandle)
                  -> QCoro::Task<> { rtt.set_value((co_await probe.measure()).rttMs); });
    return result.get();
}

// A plain blocking connect() on this (idle) thread, timed around the call.
std::optional<double> referenceRtt(const std::string& destination) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(kPort);
    ::inet_pton(AF_INET, destination.c_str(), &address.sin_addr);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const std::int64_t start = monotonicNanos();
    const bool connected =
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    const std::int64_t end = monotonicNanos();
    ::close(fd);
    return connected ? std::optional(double(end - start) / 1e6) : std::nullopt;
}

struct Figures {
    double median = 0;
    double p90 = 0;
    int pairs = 0;
};

Figures measure(const std::string& destination, int pairs) {
    std::vector<double> differences;
    const auto target = QString::fromStdString(destination);
    for (int i = 0; i < pairs; ++i) {
        const auto check = checkRtt(target);
        const auto reference = referenceRtt(destination);
        if (check && reference)
            differences.push_back(std::abs(*check - *reference));
    }
    std::sort(differences.begin(), differences.end());
    if (differences.empty())
        return {};
    return {differences[differences.size() / 2], differences[differences.size() * 9 / 10],
            int(differences.size())};
}

} // namespace

int main(int argc, char** argv) {
    lab::enterPrivateNetwork();
    QCoreApplication app(argc, argv);
    const int pairs = argc > 1 ? std::atoi(argv[1]) : 200;

    lab::TunPath path;
    const auto destination = path.address(2);
    path.setDestinations({destination});
    path.setDelay(10ms);

    int status = 0;
    QTimer busyTimer;
    std::thread driver([&] {
        checkRtt(QString::fromStdString(destination)); // starts the service-probe thread
        const auto idle = measure(destination, pairs);
        QMetaObject::invokeMethod(&app, [&] { bench::keepMainThreadBusy(busyTimer); });
        const auto busy = measure(destination, pairs);
        std::printf("TCP check rtt accuracy vs a timed connect() over a 10 ms path (%d / %d "
                    "pairs)\n",
                    idle.pairs, busy.pairs);
        std::printf("  main thread idle:     median |check - connect| %.4f ms, p90 %.4f ms\n",
                    idle.median, idle.p90);
        std::printf("  main thread 80%% busy: median |check - connect| %.4f ms, p90 %.4f ms\n",
                    busy.median, busy.p90);
        status = (idle.pairs == 0 || busy.pairs == 0) ? 1 : 0;
        QMetaObject::invokeMethod(&app, [&] { app.quit(); });
    });
    app.exec();
    driver.join();
    return status;
}
