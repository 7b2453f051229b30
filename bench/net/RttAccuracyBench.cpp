// RTT accuracy of the ICMP engine against iputils ping, over a TUN-emulated path with a fixed
// 20 ms delay, measured interleaved (engine probe, ping probe, engine probe, …) in one run: once
// with an idle main thread, once with the main (GUI) thread kept 80 % busy.
//
//   build/bench/net/rtt_accuracy_bench [pairs]      (root: it builds a private test network)
//
// Prints the median and 90th percentile of |engine − ping| per pair for each phase.
#include "lab/PrivateNetwork.h"
#include "lab/TunPath.h"
#include "net/ICMPEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <future>
#include <optional>
#include <thread>

using namespace std::chrono_literals;
using namespace vantorel;

namespace {

std::optional<double> engineRtt(const QString& destination) {
    std::promise<ICMPOutcome> outcome;
    auto result = outcome.get_future();
    ICMPEngine::shared()->probe(destination, 64, 2.0,
                                [&](ICMPOutcome value) { outcome.set_value(value); });
    const auto value = result.get();
    if (const auto* reply = std::get_if<ICMPReply>(&value))
        return reply->ms;
    return std::nullopt;
}

// iputils prints per-reply times rounded to 0.1 ms at this size; its summary line has µs.
std::optional<double> pingRtt(const std::string& destination) {
    const std::string command = "ping -n -q -c 1 -W 2 " + destination + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return std::nullopt;
    char line[512];
    std::optional<double> rtt;
    while (std::fgets(line, sizeof(line), pipe)) {
        double min = 0;
        if (std::sscanf(line, "rtt min/avg/max/mdev = %lf/", &min) == 1)
            rtt = min;
    }
    ::pclose(pipe);
    return rtt;
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
        const auto engine = engineRtt(target);
        const auto ping = pingRtt(destination);
        if (engine && ping)
            differences.push_back(std::abs(*engine - *ping));
    }
    std::sort(differences.begin(), differences.end());
    if (differences.empty())
        return {};
    return {differences[differences.size() / 2], differences[differences.size() * 9 / 10],
            int(differences.size())};
}

// Keeps the calling (main) thread busy for 8 ms of every 10 ms, as a heavy GUI frame load would.
void keepMainThreadBusy(QTimer& timer) {
    QObject::connect(&timer, &QTimer::timeout, [] {
        QElapsedTimer busy;
        busy.start();
        while (busy.nsecsElapsed() < 8'000'000) {
        }
    });
    timer.start(10);
}

} // namespace

int main(int argc, char** argv) {
    lab::enterPrivateNetwork();
    QCoreApplication app(argc, argv);
    const int pairs = argc > 1 ? std::atoi(argv[1]) : 200;

    lab::TunPath path;
    const auto destination = path.address(2);
    path.setDestinations({destination});
    path.setDelay(20ms);

    int status = 0;
    QTimer busyTimer;
    std::thread driver([&] {
        engineRtt(QString::fromStdString(destination)); // opens the socket
        const auto idle = measure(destination, pairs);
        QMetaObject::invokeMethod(&app, [&] { keepMainThreadBusy(busyTimer); });
        const auto busy = measure(destination, pairs);
        std::printf("rtt accuracy vs iputils ping over a 20 ms path (%d / %d pairs)\n", idle.pairs,
                    busy.pairs);
        std::printf("  main thread idle:     median |engine - ping| %.4f ms, p90 %.4f ms\n",
                    idle.median, idle.p90);
        std::printf("  main thread 80%% busy: median |engine - ping| %.4f ms, p90 %.4f ms\n",
                    busy.median, busy.p90);
        status = (idle.pairs == 0 || busy.pairs == 0) ? 1 : 0;
        QMetaObject::invokeMethod(&app, [&] { app.quit(); });
    });
    app.exec();
    driver.join();
    return status;
}
