// RTT accuracy of the ICMP engine against iputils ping, over a TUN-emulated path with a fixed
// 20 ms delay, measured interleaved (engine probe, ping probe, engine probe, …) in one run: over
// IPv4 once with an idle main thread and once with the main (GUI) thread kept 80 % busy, then over
// IPv6 (against `ping -6`) with the main thread idle.
//
//   build/bench/net/rtt_accuracy_bench [pairs]      (root: it builds a private test network)
//
// Prints, for each phase, the median and 90th percentile of |engine − ping| per pair and the
// median RTT each of them measured.
#include "BusyMainThread.h"
#include "lab/Addresses.h"
#include "lab/PrivateNetwork.h"
#include "lab/TunPath.h"
#include "net/ICMPEngine.h"

#include <QCoreApplication>
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
    const bool ipv6 = destination.find(':') != std::string::npos;
    const std::string command = std::string(ipv6 ? "ping -6" : "ping -4") + " -n -q -c 1 -W 2 " +
                                destination + " 2>/dev/null";
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
    double engineMedian = 0;
    double pingMedian = 0;
    int pairs = 0;
};

double quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    return values[std::size_t(double(values.size()) * q)];
}

Figures measure(const std::string& destination, int pairs) {
    std::vector<double> differences, engineRtts, pingRtts;
    const auto target = QString::fromStdString(destination);
    for (int i = 0; i < pairs; ++i) {
        const auto engine = engineRtt(target);
        const auto ping = pingRtt(destination);
        if (engine && ping) {
            differences.push_back(std::abs(*engine - *ping));
            engineRtts.push_back(*engine);
            pingRtts.push_back(*ping);
        }
    }
    if (differences.empty())
        return {};
    return {quantile(differences, 0.5), quantile(differences, 0.9), quantile(engineRtts, 0.5),
            quantile(pingRtts, 0.5), int(differences.size())};
}

void print(const char* phase, const Figures& figures) {
    std::printf("  %-24s median |engine - ping| %.4f ms, p90 %.4f ms; medians: engine %.4f ms, "
                "ping %.4f ms (%d pairs)\n",
                phase, figures.median, figures.p90, figures.engineMedian, figures.pingMedian,
                figures.pairs);
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
    const auto destination6 = lab::ipv6Twin(destination);
    std::thread driver([&] {
        for (const auto& address : {destination, destination6})
            engineRtt(QString::fromStdString(address)); // opens the sockets
        const auto ipv6 = measure(destination6, pairs);
        const auto idle = measure(destination, pairs);
        QMetaObject::invokeMethod(&app, [&] { bench::keepMainThreadBusy(busyTimer); });
        const auto busy = measure(destination, pairs);
        std::printf("rtt accuracy vs iputils ping over a 20 ms path\n");
        print("IPv4, main thread idle:", idle);
        print("IPv4, main thread busy:", busy);
        print("IPv6, main thread idle:", ipv6);
        status = (idle.pairs == 0 || busy.pairs == 0 || ipv6.pairs == 0) ? 1 : 0;
        QMetaObject::invokeMethod(&app, [&] { app.quit(); });
    });
    app.exec();
    driver.join();
    return status;
}
