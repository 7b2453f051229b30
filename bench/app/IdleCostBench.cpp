// Idle cost of the running application: the program (the tests' copy, with its remote control) on a
// private X server with a tray host, a session bus and a notification daemon of its own, monitoring
// 10 host pings to lab destinations that answer.
//
//   build/bench/app/idle_cost_bench [seconds]      (root: it builds a private test network)
//
// Measures the program's CPU time (all its threads, from /proc/<pid>/stat) for the given time
// (default 60 s) per phase: first with the main window showing the first target's graph and results
// while its background animates, then with the window closed and only the tray left. Prints both as
// a percentage of one core beside the goals (5 % and 1 %), with the X server's share, which the
// program's drawing adds to, and the probes each target sent, which show that all ten were
// monitoring throughout. The figures are reported, not judged: the exit status says only whether
// the run itself worked.
#include "AppHarness.h"
#include "lab/PrivateNetwork.h"
#include "lab/TunPath.h"
#include "support/EventLoop.h"
#include "support/NotificationDaemon.h"
#include "support/SessionBus.h"
#include "support/UserFolders.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <unistd.h>

using namespace std::chrono_literals;
using namespace vantorel;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace {

constexpr int kTargets = 10;
constexpr double kWindowGoalPct = 5.0;
constexpr double kTrayGoalPct = 1.0;
// Time for start-up work and the first repaints to pass before a phase is measured.
constexpr auto kSettle = 5s;

// utime + stime of every thread of the process so far.
double cpuSeconds(quint32 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        throw std::runtime_error("process " + std::to_string(pid) + " is gone");
    const QByteArray line = stat.readAll();
    // The command name may hold spaces and parentheses: the fields start after the last ')'.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    constexpr int kUtime = 11, kStime = 12; // fields 14 and 15 of proc(5), counted from 3
    if (fields.size() <= kStime)
        throw std::runtime_error("unexpected /proc/<pid>/stat: " + line.toStdString());
    return double(fields[kUtime].toLongLong() + fields[kStime].toLongLong()) /
           double(::sysconf(_SC_CLK_TCK));
}

std::map<std::string, std::size_t> probesPerDestination(const lab::TunPath& path) {
    std::map<std::string, std::size_t> counts;
    for (const auto& request : path.requests())
        ++counts[request.destination];
    return counts;
}

struct Phase {
    double appPct = 0;
    double serverPct = 0;
    double seconds = 0;
    std::size_t fewestProbes = 0;
    std::size_t mostProbes = 0;
};

// Lets the program run undisturbed for `duration`: this process sleeps in its event loop
// rather than polling, so that it takes no CPU from the program being measured.
void idleFor(std::chrono::seconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

Phase measure(const test::RunningApp& app, const test::XSession& x, const lab::TunPath& path,
              const std::vector<std::string>& destinations, std::chrono::seconds duration) {
    const auto probesBefore = probesPerDestination(path);
    const double appBefore = cpuSeconds(app.pid());
    const double serverBefore = cpuSeconds(x.serverPid());
    QElapsedTimer clock;
    clock.start();
    idleFor(duration);
    Phase phase;
    phase.seconds = double(clock.nsecsElapsed()) / 1e9;
    phase.appPct = 100.0 * (cpuSeconds(app.pid()) - appBefore) / phase.seconds;
    phase.serverPct = 100.0 * (cpuSeconds(x.serverPid()) - serverBefore) / phase.seconds;
    auto probesAfter = probesPerDestination(path);
    std::vector<std::size_t> sent;
    for (const auto& destination : destinations) {
        const auto before = probesBefore.find(destination);
        sent.push_back(probesAfter[destination] -
                       (before == probesBefore.end() ? 0 : before->second));
    }
    phase.fewestProbes = *std::min_element(sent.begin(), sent.end());
    phase.mostProbes = *std::max_element(sent.begin(), sent.end());
    return phase;
}

void report(const char* name, const Phase& phase, double goalPct) {
    std::printf("  %-19s %5.2f %% of one core (goal <= %.0f %%: %s)   X server %5.2f %%   "
                "probes per target %zu-%zu in %.1f s\n",
                name, phase.appPct, goalPct, phase.appPct <= goalPct ? "met" : "NOT met",
                phase.serverPct, phase.fewestProbes, phase.mostProbes, phase.seconds);
    std::fflush(stdout);
}

// A phase in which some target sent far fewer probes than one a second did not measure ten
// active targets.
void checkProbing(const char* name, const Phase& phase) {
    if (double(phase.fewestProbes) < phase.seconds / 2)
        throw std::runtime_error(std::string(name) + ": a target sent only " +
                                 std::to_string(phase.fewestProbes) + " probes");
}

// The share of pixels, in the window's right-hand margin where nothing but the background shows,
// that differ between two pictures of the main window. (The detail area's panes change with every
// sample, so they say nothing about the background.)
double movedShare(const QString& before, const QString& after) {
    const QImage a(before), b(after);
    if (a.isNull() || a.size() != b.size())
        throw std::runtime_error("cannot compare pictures of the main window");
    const QRect empty(a.width() - 12, a.height() / 10, 10, a.height() * 8 / 10);
    int moved = 0;
    for (int y = empty.top(); y <= empty.bottom(); ++y)
        for (int x = empty.left(); x <= empty.right(); ++x)
            moved += a.pixel(x, y) != b.pixel(x, y);
    return double(moved) / double(empty.width() * empty.height());
}

bool allHealthy(test::RunningApp& app) {
    const auto targets = QJsonDocument::fromJson(app.ask("targets").toUtf8()).array();
    return targets.size() == kTargets &&
           std::all_of(targets.begin(), targets.end(), [](const QJsonValue& target) {
               return target.toObject()["enabled"].toBool() &&
                      target.toObject()["health"].toString() == "ok";
           });
}

int run(std::chrono::seconds duration) {
    lab::TunPath path;
    std::vector<std::string> destinations;
    std::vector<TargetSpec> targets;
    for (int host = 0; host < kTargets; ++host) {
        destinations.push_back(path.address(2 + host));
        targets.push_back(
            {TargetKind::hostPing, QString::fromStdString(destinations.back()), "", 24});
    }
    path.setDestinations(destinations);
    path.setDelay(5ms);

    test::SessionBus bus(test::SessionBus::Role::standalone);
    test::NotificationDaemon notifications(bus);
    test::XSession x;
    QTemporaryDir home;
    if (!home.isValid())
        throw std::runtime_error("cannot create a home folder");
    const auto environment = test::userEnvironment(home.path(), x, bus);
    test::writeTargetList(home.path(), targets);

    test::RunningApp app(QStringLiteral(VANTOREL_UNDER_TEST), environment, home.path());
    std::printf("vantorel runs as process %u on display %s\n", app.pid(), qPrintable(x.display()));
    // Without an embedded tray icon, closing the window would end the program.
    if (!spinUntil([&] { return !app.rectangle("geometry tray").isEmpty(); }, 15s))
        throw std::runtime_error(app.failure("no tray icon appeared").toStdString());
    app.ask("enable-all");
    if (!spinUntil([&] { return allHealthy(app); }, 20s))
        throw std::runtime_error(app.failure("the targets did not all come up").toStdString());

    std::printf("Idle cost with %d active host pings, %lld s per phase:\n", kTargets,
                static_cast<long long>(duration.count()));
    if (app.ask("window") != "open")
        throw std::runtime_error("the main window is not open");
    // The graph and results of a host ping are what a user watches: the costliest view to idle in.
    app.ask("select 0");
    spinFor(kSettle);
    const QString pictureBefore = home.filePath("window-before.png");
    const QString pictureAfter = home.filePath("window-after.png");
    app.ask("grab mainWindow " + pictureBefore);
    const Phase shown = measure(app, x, path, destinations, duration);
    app.ask("grab mainWindow " + pictureAfter);
    const double moved = movedShare(pictureBefore, pictureAfter);
    report("main window shown", shown, kWindowGoalPct);
    std::printf("  %-19s %.0f %% of the background's pixels changed during the phase\n", "",
                100.0 * moved);

    app.ask("close-window");
    if (!spinUntil([&] { return app.ask("window") == "closed"; }, 5s))
        throw std::runtime_error("the main window did not close");
    spinFor(kSettle);
    const Phase trayOnly = measure(app, x, path, destinations, duration);
    report("tray only", trayOnly, kTrayGoalPct);

    if (!app.isRunning())
        throw std::runtime_error(app.failure("the program ended during the run").toStdString());
    checkProbing("main window shown", shown);
    checkProbing("tray only", trayOnly);
    if (moved == 0)
        throw std::runtime_error("the background did not move while the window was shown");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Before any thread exists: the lab's addresses must be the only network the program sees.
    lab::enterPrivateNetwork();
    test::isolateUserFolders();
    QCoreApplication application(argc, argv);
    const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 60;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: %s [seconds per phase, default 60]\n", argv[0]);
        return 2;
    }
    try {
        return run(std::chrono::seconds(seconds));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "idle cost run failed: %s\n", error.what());
        return 1;
    }
}
