#include "history/SampleStore.h"
#include "lab/Lab.h"
#include "lab/TunPath.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/HttpTestServer.h"
#include "support/NotificationDaemonRecorder.h"
#include "support/Prometheus.h"
#include "targets/HostStore.h"
#include "targets/TargetSpecJson.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <csignal>
#include <future>
#include <gmock/gmock.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;
using testing::HasSubstr;
using namespace vantorel::test;

namespace vantorel {
namespace {

// A headless run in this test's user folders and network, its output in a log file.
class HeadlessRun {
public:
    HeadlessRun(const QString& program, const QStringList& arguments) {
        log_.open(); // names it
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.setStandardOutputFile(log_.fileName());
        process_.start(program, arguments);
        EXPECT_TRUE(process_.waitForStarted()) << program.toStdString();
    }

    pid_t pid() const { return pid_t(process_.processId()); }
    QByteArray log() { return log_.seek(0) ? log_.readAll() : QByteArray(); }
    // Stops it as a service manager does, or Ctrl+C: the exit status, -1 when it ended otherwise.
    int stop(int signal = SIGTERM) {
        ::kill(pid(), signal);
        process_.waitForFinished(20'000);
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    std::int64_t rssKiB() const {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid()));
        const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
        return text.sliced(text.indexOf("VmRSS:") + 6).trimmed().split(' ').front().toLongLong();
    }
    int openSockets() const {
        const auto fds = QDir(QStringLiteral("/proc/%1/fd").arg(pid())).entryInfoList(QDir::System);
        return int(std::ranges::count_if(
            fds, [](const QFileInfo& fd) { return fd.symLinkTarget().contains("socket:"); }));
    }

private:
    QTemporaryFile log_;
    QProcess process_;
};

std::vector<PingSample> storedSamples(const QString& key) {
    std::optional<std::vector<PingSample>> stored;
    SampleStore::shared()->loadSamples(key, 0, [&](auto samples, auto) { stored = samples; });
    EXPECT_TRUE(spinUntil([&] { return stored.has_value(); }));
    return stored.value_or(std::vector<PingSample>{});
}

// 10 MB without a line break from one client, then 100 idle ones at once: the first is cut off
// after one head's worth, the crowd is held at the server's cap of 16 and closed after its head
// timeout, and a scraper still gets through meanwhile. Runs this thread's event loop meanwhile.
void attack(quint16 port, HeadlessRun& run) {
    const int socketsBefore = run.openSockets();
    // A small send buffer, so that what the kernels hold cannot pass for the server reading on,
    // and a send timeout, so that a server that neither reads nor closes fails the test.
    auto flood = std::async(std::launch::async, [port] {
        const int fd = connectTo(port), sendBuffer = 64 * 1024;
        const timeval patience{15, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
        const std::string chunk(64 * 1024, 'a');
        std::int64_t sent = 0;
        for (ssize_t n = 0; n >= 0 && sent < 10'000'000; sent += n)
            n = ::send(fd, chunk.data(), chunk.size(), MSG_NOSIGNAL);
        const bool reset = errno == ECONNRESET || errno == EPIPE;
        ::close(fd);
        return std::pair(sent, reset);
    });
    const std::int64_t rssBefore = run.rssKiB();
    auto connecting = std::async(std::launch::async, [port] {
        std::vector<int> crowd(100);
        std::ranges::generate(crowd, [port] { return connectTo(port); });
        return crowd;
    });
    int mostSockets = 0;
    const auto watch = [&] {
        mostSockets = std::max(mostSockets, run.openSockets());
        return false;
    };
    spinUntil([&] { return watch() || connecting.wait_for(0s) == std::future_status::ready; }, 10s);
    const std::vector<int> crowd = connecting.get();
    EXPECT_THAT(get(port, "/metrics").toStdString(), HasSubstr("vantorel_probes_sent_total{"));
    spinUntil(watch, 6s);
    for (const int fd : crowd) {
        char byte;
        const ssize_t received = ::recv(fd, &byte, 1, MSG_DONTWAIT);
        EXPECT_TRUE(received == 0 || (received < 0 && errno != EAGAIN)) << "closed by the server";
        ::close(fd);
    }
    ASSERT_TRUE(spinUntil([&] { return flood.wait_for(0s) == std::future_status::ready; }));
    const auto [floodSent, floodReset] = flood.get();
    EXPECT_TRUE(floodSent < 10'000'000 && floodReset) << "cut off after " << floodSent;
    EXPECT_LE(mostSockets, socketsBefore + 16 + 4) << "the cap, and a few of the probes' own";
    EXPECT_LT(run.rssKiB() - rssBefore, 4096);
}

// vantoreld probes the lab for a minute, scraped by Prometheus every second: a host ping over a
// path with a steady 20 ms delay (ten samples of an earlier run in its history), a traceroute
// through two routers, the second filtering ICMP, a sweep, and an HTTP check. Half-way, hostile
// clients come; the ping goes on regardless. SIGTERM then stops it, every sample it counted stored.
TEST(Headless, PrometheusScrapesARunThroughAnAttackUntilItIsStopped) {
    lab::TunPath path;
    path.setDestinations({path.address(2), path.address(3)});
    path.setDelay(20ms);
    lab::Lab lab;
    lab::RouterChain& chain = lab.addRouteThroughRouters(2);
    chain.setRouterSilent(2, true);
    HttpTestServer web;
    const auto text = [](const std::string& address) { return QString::fromStdString(address); };
    const QString pinged = text(path.address(2)), pingKey = "hostPing:" + pinged;
    for (int id = 1; id <= 10; ++id)
        SampleStore::shared()->appendSample(pingKey, {id, 2.5, dateNow() - 100 + id});
    for (const double age : {-600.0, 600.0}) // a week is kept, what is older goes at the start
        SampleStore::shared()->appendSample("hostPing:old", {1, 1.0, dateNow() - 7 * 86400 + age});
    ASSERT_EQ(storedSamples(pingKey).size(), 10u);

    const quint16 port = 9464;
    HeadlessRun run(VANTORELD, {"--metrics", "127.0.0.1:9464", "--target", pinged, "--kind",
                                "traceroute", "--target", text(chain.destination()), "--kind",
                                "pingSweep", "--target", pinged + '-' + text(path.address(4)),
                                "--kind", "serviceCheck", "--target", web.url().toString()});
    Prometheus prometheus(port);
    spinFor(8s);
    const double start = unixSecondsFromDate(dateNow());
    spinFor(20s);
    const double attackStart = unixSecondsFromDate(dateNow());
    attack(port, run);
    const double attackEnd = unixSecondsFromDate(dateNow());
    QProcess::execute("ip", {"rule", "add", "to", text(chain.destination()), "unreachable"});
    spinUntil([&] { return unixSecondsFromDate(dateNow()) >= start + 60; }, 60s);
    const double end = unixSecondsFromDate(dateNow());
    QProcess::execute("ip", {"rule", "del", "to", text(chain.destination()), "unreachable"});
    chain.setRouterSilent(2, false); // a new address at hop 2, which starts with nothing lost
    spinFor(5s);

    const QString ping = "{kind=\"hostPing\"}";
    EXPECT_EQ(storedSamples("hostPing:old").size(), 1u);
    EXPECT_EQ(prometheus.value("up{job=\"vantorel\"}", end), 1);
    EXPECT_EQ(prometheus.value("vantorel_target_up" + ping, end), 1);
    const double sent = prometheus.value("vantorel_probes_sent_total" + ping, end);
    EXPECT_NEAR(sent - prometheus.value("vantorel_probes_sent_total" + ping, start), 60, 2);

    std::vector<double> rtts; // this run's, as the database has them
    std::vector<PingSample> attacked;
    for (const auto& sample : storedSamples(pingKey)) {
        if (sample.id > 10 && sample.time <= dateFromUnixSeconds(end) && sample.rtt)
            rtts.push_back(*sample.rtt / 1000);
        if (sample.time >= dateFromUnixSeconds(attackStart) &&
            sample.time <= dateFromUnixSeconds(attackEnd))
            attacked.push_back(sample);
    }
    ASSERT_FALSE(rtts.empty());
    EXPECT_NEAR(sent, double(rtts.size()), 1) << "the earlier run's samples are not counted";
    std::nth_element(rtts.begin(), rtts.begin() + rtts.size() / 2, rtts.end());
    const double median = rtts[rtts.size() / 2];
    EXPECT_NEAR(
        prometheus.value("histogram_quantile(0.5, vantorel_rtt_seconds_bucket" + ping + ")", end),
        median, median * 0.05);
    EXPECT_GE(attacked.size(), 6u) << "one a second for the 6.5 s and more of the attack";
    for (std::size_t i = 0; i < attacked.size(); ++i) {
        EXPECT_TRUE(attacked[i].rtt) << i;
        if (i > 0)
            EXPECT_NEAR(attacked[i].time - attacked[i - 1].time, 1.0, 0.25) << i;
    }

    // Every walk that could send probed each hop; only the silent router lost them all.
    const auto hops = prometheus.query("vantorel_hop_lost_total / vantorel_hop_probes_total", end);
    ASSERT_EQ(hops.size(), 3u);
    const QStringList addresses{text(chain.routers()[0]), "*", text(chain.destination())};
    for (const auto& [labels, lossRatio] : hops) {
        const int hop = labels["hop"].toString().toInt();
        EXPECT_EQ(labels["address"].toString(), addresses.value(hop - 1)) << hop;
        EXPECT_EQ(lossRatio, hop == 2 ? 1 : 0) << hop;
    }
    EXPECT_GT(prometheus.value(R"(vantorel_probes_sent_total{kind="traceroute"} - on() vantorel_)"
                               R"(hop_probes_total{hop="3"} == on() vantorel_probes_lost_total)"
                               R"({kind="traceroute"} > 0)",
                               end),
              0);
    EXPECT_EQ(prometheus.value("count(vantorel_hop_last_rtt_seconds < 0.01)", end), 2)
        << "a silent hop has no last round-trip time; the others' are in seconds";
    EXPECT_EQ(prometheus.value("vantorel_sweep_hosts_alive", end), 2);
    EXPECT_EQ(prometheus.value("vantorel_sweep_hosts_scanned", end), 3);
    EXPECT_EQ(prometheus.value("vantorel_http_status", end), 200);

    const QByteArray scraped = get(port, "/metrics");
    const auto own = QRegularExpression(R"(established_total\{dialer_name="vantorel"\} (\d+))");
    const int dialled = own.match(get(9090, "/metrics")).captured(1).toInt();
    EXPECT_TRUE(dialled >= 1 && dialled <= 8) << dialled << " connections: kept ones are not cut";
    EXPECT_THAT(scraped.toStdString(), HasSubstr("/24\",kind=\"pingSweep\""));
    EXPECT_THAT(scraped.toStdString(),
                HasSubstr("hop=\"2\",address=\"" + chain.routers()[1] + "\"} 0\n"));
    EXPECT_EQ(run.stop(), 0) << run.log().toStdString();
    QProcess promtool;
    promtool.start("promtool", {"check", "metrics"});
    promtool.write(scraped);
    promtool.closeWriteChannel();
    ASSERT_TRUE(promtool.waitForFinished(10000));
    EXPECT_EQ(promtool.exitCode(), 0) << promtool.readAll().toStdString();
    const auto counted = QRegularExpression("vantorel_probes_sent_total{target=\"[^\"]+\",kind="
                                            "\"hostPing\"} (\\d+)")
                             .match(scraped);
    ASSERT_TRUE(counted.hasMatch());
    EXPECT_GE(storedSamples(pingKey).size(), 10 + counted.captured(1).toULongLong())
        << "every sample counted before the stop is stored";
}

// The installed unit passes systemd's checks, and its ExecStart runs the targets marked to start
// with Vantorel (there is no user manager in the test environment to run it). An unreachable one
// is logged and notified on the session bus; SIGINT ends the run with status 0 and the stored
// list as it was. First, `vantorel --headless`, wherever the option stands, hands its other
// arguments to vantoreld, which refuses bad ones and a run left with no target to start.
TEST(Headless, TheInstalledUnitRunsTheTargetsThatStartWithVantorel) {
    const QString installed = VANTOREL_INSTALLED,
                  unit = installed + "/lib/systemd/user/vantorel.service";
    QProcess verify;
    QTemporaryDir runtime; // where a user manager would keep its state
    verify.setProcessChannelMode(QProcess::MergedChannels);
    verify.start(
        "env", {"XDG_RUNTIME_DIR=" + runtime.path(), "systemd-analyze", "verify", "--user", unit});
    ASSERT_TRUE(verify.waitForFinished(30'000));
    EXPECT_EQ(std::pair(verify.exitCode(), verify.readAll()), std::pair(0, QByteArray()));
    QFile unitFile(unit);
    ASSERT_TRUE(unitFile.open(QIODevice::ReadOnly));
    const auto execStart = QRegularExpression("(?m)^ExecStart=(.+)$").match(unitFile.readAll());
    ASSERT_TRUE(execStart.hasMatch());
    QStringList command = QProcess::splitCommand(execStart.captured(1));
    EXPECT_EQ(command.front(), installed + "/bin/vantoreld");

    lab::Lab lab;
    const QString answering = QString::fromStdString(lab.addHost());
    const QString silent = QString::fromStdString(lab.addSilentHost());
    auto& preferences = Preferences::instance();
    preferences.setValue(HostStore::kKey,
                         QByteArray(R"([{"kind":"hostPing","host":"198.18.0.1"}])"));
    const std::pair<QStringList, QString> refused[] = {
        // Of a stored list that cannot be read, no target is left to start.
        {{}, "The stored target list could not be read"},
        {{}, "nothing to run"},
        {{"--kind", "pingSweep", "--target", "198.18.0.1"}, "as START-END or"},
        {{"--kind", "ping", "--target", "x"}, "--kind \"ping\": use hostPing, pingSweep"},
        {{"--kind", "serviceCheck", "--target", "x"}, "Use host:port (TCP) or an http(s):// URL"},
        {{"--kind", "pingSweep", "--target", "198.18.0.1-198.18.1.1"}, "Range too large"},
        {{"--kind", "pingSweep", "--target", "198.18.0.1-198.18.0.9/33"}, "prefix is a number"},
        {{"--kind", "pingSweep", "--target", "198.18.0.1-198.18.0.9/7"}, "prefix is a number"},
        {{"--kind", "pingSweep", "--target", "198.18.0.1-198.18.0.9/24/8"}, "START-END/PREFIX"},
        // A kind holds for every target after it (and /8 to /32 are the prefixes taken).
        {{"--kind", "pingSweep", "--target", "198.18.0.1-198.18.0.2/8", "--target",
          "198.18.0.1-198.18.0.2/32", "--target", "198.18.0.1-198.18.1.1"},
         "Range too large"},
        {{"198.18.0.1"}, "unexpected argument \"198.18.0.1\""},
        {{"--target", "x", "--kind", "traceroute"}, "none follows"},
        {{"--metrics", "localhost:80"}, "--metrics \"localhost:80\": use PORT"},
        {{"--metrics", answering + ":9100", "--target", "127.0.0.1"}, "metrics cannot be served"},
        {{"--frobnicate"}, "Unknown option 'frobnicate'"},
        {{"--frobnicate", "--headless"}, "Unknown option 'frobnicate'"}};
    for (const auto& [arguments, reason] : refused) {
        QProcess headless;
        headless.start(installed + "/bin/vantorel", arguments.contains("--headless")
                                                        ? arguments
                                                        : QStringList{"--headless"} + arguments);
        ASSERT_TRUE(headless.waitForFinished(10'000));
        EXPECT_EQ(headless.exitCode(), reason.startsWith("metrics") ? 1 : 2) << qPrintable(reason);
        EXPECT_THAT(headless.readAllStandardError().toStdString(), HasSubstr(reason.toStdString()));
    }
    const QByteArray list = *encodeTargetSpecs(
        std::vector{TargetSpec{TargetKind::hostPing, answering, "", 24, true},
                    TargetSpec{TargetKind::hostPing, silent, "", 24, true},
                    TargetSpec{TargetKind::traceroute, answering, "", 24, false}});
    preferences.setValue(HostStore::kKey, list);
    preferences.setValue(keys::alertsEnabled, true);
    preferences.setValue(keys::alertUnreachableSecs, 5);
    preferences.setValue(keys::alertLossPct, 0); // the unreachable rule alone
    SessionBus bus;
    NotificationDaemonRecorder daemon(bus);
    HeadlessRun run(command.takeFirst(), command);
    const auto notified = daemon.waitForNotifications(1, 30s);
    ASSERT_EQ(notified.size(), 1u);
    EXPECT_EQ(notified[0].summary, silent + " unreachable");
    EXPECT_EQ(run.stop(SIGINT), 0);
    EXPECT_THAT(run.log().toStdString(),
                HasSubstr((silent + " unreachable (Host Ping)").toStdString()));
    EXPECT_GE(storedSamples("hostPing:" + answering).size(), 5u);
    EXPECT_TRUE(storedSamples("traceroute:" + answering).empty());
    EXPECT_EQ(Preferences(preferences.filePath()).dataValue(HostStore::kKey), list);
}

} // namespace
} // namespace vantorel
