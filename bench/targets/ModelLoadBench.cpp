// Whole-model cost of monitoring, headless: the model libraries with real probes against the test
// lab, history recording on.
//
//   build/bench/targets/model_load_bench [seconds]      (root: it builds a private test network)
//
// 1. 50 host pings for the given time (default 60 s) and, at the same time, 50 iputils `ping`
//    processes probing the same hosts once a second; prints both CPU times and their ratio, and
//    the CPU time per probe of each. The two run side by side because the speed of a shared
//    virtual machine drifts by several times within minutes: one after the other, the ratio
//    measured that drift as much as the two programs.
// 2. A mix of 50 host pings, one /24 sweep, 5 traceroutes and 5 TCP checks for the same time;
//    prints its CPU time and the process's peak resident memory.
#include "lab/Lab.h"
#include "lab/PrivateNetwork.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/UserFolders.h"
#include "targets/HostStore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTcpServer>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace vantorel;

namespace {

double seconds(const timeval& t) {
    return double(t.tv_sec) + double(t.tv_usec) / 1e6;
}

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double peakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

// CPU seconds this process spends while the store's targets run for `duration`.
double monitorFor(HostStore& store, std::chrono::seconds duration) {
    for (const auto& target : store.targets())
        target->setEnabled(true);
    const double before = cpuSeconds(RUSAGE_SELF);
    // A plain event loop, as the application runs: it sleeps until there is something to do.
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
    const double used = cpuSeconds(RUSAGE_SELF) - before;
    for (const auto& target : store.targets())
        target->setEnabled(false);
    return used;
}

// Starts `ping` processes, one per host, each probing once a second for `duration`.
std::vector<pid_t> startPingProcesses(const std::vector<std::string>& hosts,
                                      std::chrono::seconds duration) {
    std::vector<pid_t> children;
    const auto deadline = std::to_string(duration.count());
    for (const auto& host : hosts) {
        const pid_t child = fork();
        if (child == 0) {
            ::freopen("/dev/null", "w", stdout);
            ::execlp("ping", "ping", "-n", "-q", "-i", "1", "-w", deadline.c_str(), host.c_str(),
                     nullptr);
            ::_exit(127);
        }
        children.push_back(child);
    }
    return children;
}

// CPU seconds of every child the bench has waited for, once `children` have ended too.
double waitForCpuSeconds(const std::vector<pid_t>& children) {
    for (const pid_t child : children)
        ::waitpid(child, nullptr, 0);
    return cpuSeconds(RUSAGE_CHILDREN);
}

} // namespace

int main(int argc, char** argv) {
    lab::enterPrivateNetwork();
    test::isolateUserFolders();
    QCoreApplication app(argc, argv);
    const std::chrono::seconds duration(argc > 1 ? std::atoi(argv[1]) : 60);
    auto& preferences = Preferences::instance();
    preferences.setValue(keys::scrollbackEnabled, true);

    lab::Lab lab;
    const auto hosts = lab.addHosts(50);

    {
        preferences.setValue(HostStore::kKey, QByteArray("[]"));
        HostStore store;
        for (const auto& host : hosts)
            store.add({TargetKind::hostPing, qt(host), "", 24});
        for (const auto& target : store.targets())
            target->setEnabled(false);
        const double labCommands = cpuSeconds(RUSAGE_CHILDREN);
        const auto pingProcesses = startPingProcesses(hosts, duration);
        const double model = monitorFor(store, duration);
        const double pings = waitForCpuSeconds(pingProcesses) - labCommands;
        // Every probe, the first few after a start (which are not kept) included.
        std::int64_t probes = 0;
        for (const auto& target : store.targets())
            probes += target->monitors().front()->counter() + PingMonitor::kWarmupCount;
        const auto pingProbes = std::int64_t(hosts.size()) * duration.count();
        std::printf("50 host pings for %llds: Vantorel %.3f s CPU, 50 ping processes %.3f s CPU, "
                    "ratio %.2f\n",
                    (long long)duration.count(), model, pings, model / pings);
        std::printf("  CPU per probe all in: Vantorel %.1f us (%lld probes), ping %.1f us (%lld)\n",
                    1e6 * model / double(probes), (long long)probes,
                    1e6 * pings / double(pingProbes), (long long)pingProbes);
    }

    {
        preferences.setValue(HostStore::kKey, QByteArray("[]"));
        HostStore store;
        for (const auto& host : hosts)
            store.add({TargetKind::hostPing, qt(host), "", 24});
        lab.startSubnet();
        const auto swept = lab.addHosts(20);
        const auto first = qt(swept.front());
        const QString network = first.left(first.lastIndexOf('.') + 1);
        store.add({TargetKind::pingSweep, network + "1", network + "254", 24});
        for (int i = 0; i < 5; ++i)
            store.add(
                {TargetKind::traceroute, qt(lab.addRouteThroughRouters(3).destination()), "", 24});
        std::vector<std::unique_ptr<QTcpServer>> services;
        for (int i = 0; i < 5; ++i) {
            services.push_back(std::make_unique<QTcpServer>());
            services.back()->listen(QHostAddress::LocalHost);
            store.add({TargetKind::serviceCheck,
                       QStringLiteral("127.0.0.1:%1").arg(services.back()->serverPort()), "", 24});
        }
        for (const auto& target : store.targets())
            target->setEnabled(false);
        const double mix = monitorFor(store, duration);
        std::printf("mix of 50 host pings, a /24 sweep, 5 traceroutes, 5 TCP checks for %llds: "
                    "%.3f s CPU (%.2f %% of one core), peak resident memory %.1f MiB\n",
                    (long long)duration.count(), mix, 100.0 * mix / double(duration.count()),
                    peakResidentMiB());
    }
    return 0;
}
