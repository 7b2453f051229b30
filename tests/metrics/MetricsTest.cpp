#include "history/SampleStore.h"
#include "lab/Lab.h"
#include "lab/TunPath.h"
#include "metrics/MetricsEndpoint.h"
#include "metrics/MetricsServer.h"
#include "metrics/ModelMetrics.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"
#include "support/SessionBusProcess.h"
#include "targets/HostStore.h"
#include "targets/TargetSpecJson.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QUrl>
#include <arpa/inet.h>
#include <fstream>
#include <future>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;
using testing::HasSubstr;
using vantorel::test::spinFor;
using vantorel::test::spinUntil;

namespace vantorel {
namespace {

// A blocking TCP connection to 127.0.0.1:`port`, or -1.
int connectTo(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    ::close(fd);
    return -1;
}

// Sends `request` on a fresh connection and returns everything that comes back until the close,
// from another thread, so that a server on this one keeps working meanwhile.
QByteArray exchange(quint16 port, const QByteArray& request) {
    auto reply = std::async(std::launch::async, [port, request] {
        const int fd = connectTo(port);
        if (fd < 0)
            return QByteArray();
        ::send(fd, request.data(), std::size_t(request.size()), MSG_NOSIGNAL);
        QByteArray received;
        char chunk[65536];
        for (ssize_t n; (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0;)
            received.append(chunk, n);
        ::close(fd);
        return received;
    });
    EXPECT_TRUE(spinUntil([&] { return reply.wait_for(0s) == std::future_status::ready; }, 20s));
    return reply.get();
}

QByteArray get(quint16 port, const QByteArray& target, const QByteArray& accept = "*/*") {
    const QByteArray reply = exchange(
        port, "GET " + target + " HTTP/1.1\r\nHost: t\r\nConnection: close\r\nAccept: " + accept +
                  "\r\n\r\n");
    return reply.sliced(std::max<qsizetype>(0, reply.indexOf("\r\n\r\n") + 4));
}

std::int64_t rssKiB() {
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    const QByteArray text = status.readAll();
    return text.sliced(text.indexOf("VmRSS:") + 6).trimmed().split(' ').front().toLongLong();
}

// A real Prometheus scraping 127.0.0.1:`port` every second, its data in a temporary folder, its
// web API on the loopback of this test's private network.
class Prometheus {
public:
    explicit Prometheus(quint16 port) {
        const QString config = folder_.filePath("prometheus.yml");
        std::ofstream(config.toStdString())
            << "global: {scrape_interval: 1s, scrape_timeout: 1s}\nscrape_configs:\n"
            << "  - {job_name: vantorel, static_configs: [{targets: ['127.0.0.1:" << port
            << "']}]}\n";
        daemon_ = std::make_unique<test::TestDaemonProcess>(
            "prometheus",
            QStringList{"--config.file=" + config,
                        "--storage.tsdb.path=" + folder_.filePath("data"),
                        "--web.listen-address=127.0.0.1:9090"},
            QProcessEnvironment::systemEnvironment(), folder_.filePath("prometheus.log"));
        EXPECT_TRUE(spinUntil([] { return get(9090, "/-/ready").startsWith("Prometheus"); }, 20s))
            << daemon_->failure("not ready").toStdString();
    }

    // The instant vector of `expression` at `unixTime`: labels and value of each series.
    std::vector<std::pair<QJsonObject, double>> query(const QString& expression, double unixTime) {
        const QByteArray body =
            get(9090, "/api/v1/query?query=" + QUrl::toPercentEncoding(expression) +
                          "&time=" + QByteArray::number(unixTime, 'f', 3));
        std::vector<std::pair<QJsonObject, double>> series;
        const QJsonArray result = QJsonDocument::fromJson(body)["data"]["result"].toArray();
        for (const QJsonValue entry : result)
            series.emplace_back(entry["metric"].toObject(),
                                entry["value"].toArray()[1].toString().toDouble());
        return series;
    }

    double value(const QString& expression, double unixTime) {
        const auto series = query(expression, unixTime);
        EXPECT_EQ(series.size(), 1u) << expression.toStdString();
        return series.empty() ? -1 : series.front().second;
    }

private:
    QTemporaryDir folder_;
    std::unique_ptr<test::TestDaemonProcess> daemon_;
};

// Prometheus scrapes a store probing the lab: a host ping over a path with a steady 20 ms delay
// (with ten samples of an earlier run in its history), a traceroute through two routers of which
// the second filters ICMP, a sweep, and an HTTP check. Counts are taken 20 s apart.
TEST(Metrics, PrometheusScrapesAStoreProbingTheLab) {
    Preferences::instance().setValue(keys::scrollbackEnabled, true);
    Preferences::instance().setValue(HostStore::kKey, QByteArray("[]"));
    lab::TunPath path;
    path.setDestinations({path.address(2), path.address(3)});
    path.setDelay(20ms);
    lab::Lab lab;
    lab::RouterChain& chain = lab.addRouteThroughRouters(2);
    chain.setRouterSilent(2, true);
    test::HttpTestServer web;
    const auto text = [](const std::string& address) { return QString::fromStdString(address); };
    const QString pinged = text(path.address(2)), pingKey = "hostPing:" + pinged;
    for (int id = 1; id <= 10; ++id)
        SampleStore::shared()->appendSample(pingKey, {id, 2.5, dateNow() - 100 + id});

    HostStore store({.httpCheckPeriod = 1});
    MetricsEndpoint endpoint(store);
    ASSERT_EQ(endpoint.start({}), std::nullopt);
    const quint16 port = endpoint.server()->port();
    store.add({TargetKind::hostPing, pinged, "", 24});
    store.add({TargetKind::traceroute, text(chain.destination()), "", 24});
    store.add({TargetKind::pingSweep, pinged, text(path.address(4)), 24});
    store.add({TargetKind::serviceCheck, web.url().toString(), "", 24});
    Prometheus prometheus(port);
    const auto unixNow = [] { return double(QDateTime::currentMSecsSinceEpoch()) / 1000; };
    spinFor(8s);
    const double start = unixNow();
    spinFor(20s);
    const double end = unixNow();
    spinFor(2s);

    const QString ping = "{kind=\"hostPing\"}";
    EXPECT_EQ(prometheus.value("up{job=\"vantorel\"}", end), 1);
    EXPECT_EQ(prometheus.value("vantorel_target_up" + ping, end), 1);
    const double sent = prometheus.value("vantorel_probes_sent_total" + ping, end);
    EXPECT_NEAR(sent - prometheus.value("vantorel_probes_sent_total" + ping, start), 20, 2);

    std::vector<double> rtts; // this run's, as the database has them
    SampleStore::shared()->loadSamples(pingKey, 0, [&](auto stored, auto) {
        for (const auto& sample : stored)
            if (sample.id > 10 && sample.time <= dateFromUnixSeconds(end) && sample.rtt)
                rtts.push_back(*sample.rtt / 1000);
    });
    ASSERT_TRUE(spinUntil([&] { return !rtts.empty(); }));
    EXPECT_NEAR(sent, double(rtts.size()), 1) << "the earlier run's samples are not counted";
    std::nth_element(rtts.begin(), rtts.begin() + rtts.size() / 2, rtts.end());
    const double median = rtts[rtts.size() / 2];
    EXPECT_NEAR(
        prometheus.value("histogram_quantile(0.5, vantorel_rtt_seconds_bucket" + ping + ")", end),
        median, median * 0.05);

    // Every walk probed each hop; only the silent router lost them all.
    const auto hops = prometheus.query("vantorel_hop_lost_total / vantorel_hop_probes_total", end);
    ASSERT_EQ(hops.size(), 3u);
    const QStringList addresses{text(chain.routers()[0]), "*", text(chain.destination())};
    for (const auto& [labels, lossRatio] : hops) {
        const int hop = labels["hop"].toString().toInt();
        EXPECT_EQ(labels["address"].toString(), addresses.value(hop - 1)) << hop;
        EXPECT_EQ(lossRatio, hop == 2 ? 1 : 0) << hop;
    }
    EXPECT_EQ(prometheus.value("count(vantorel_hop_last_rtt_seconds)", end), 2)
        << "a silent hop has no last round-trip time";
    EXPECT_EQ(prometheus.value("vantorel_sweep_hosts_alive", end), 2);
    EXPECT_EQ(prometheus.value("vantorel_sweep_hosts_scanned", end), 3);
    EXPECT_EQ(prometheus.value("vantorel_http_status", end), 200);

    QProcess promtool;
    promtool.start("promtool", {"check", "metrics"});
    promtool.write(get(port, "/metrics"));
    promtool.closeWriteChannel();
    ASSERT_TRUE(promtool.waitForFinished(10000));
    EXPECT_EQ(promtool.exitCode(), 0) << promtool.readAll().toStdString();
}

// A client streaming 10 MB without a line break, then 100 idle connections at once: the first is
// answered 431 after one head's worth and cut off, the crowd is held at the server's cap and
// closed after its head timeout, a scraper still gets through meanwhile, and a host ping on the
// same thread keeps its once-a-second samples without a loss.
TEST(MetricsServer, HostileClientsAreCutOffWhileAHostPingGoesOn) {
    lab::TunPath path;
    path.setDestinations({path.address(2)});
    Preferences::instance().setValue(HostStore::kKey, QByteArray("[]"));
    HostStore store;
    MetricsEndpoint endpoint(store);
    ASSERT_EQ(endpoint.start({}), std::nullopt);
    const MetricsServer& server = *endpoint.server();
    const quint16 port = server.port();
    const QString host = QString::fromStdString(path.address(2));
    const auto& monitor =
        *store.target(store.add({TargetKind::hostPing, host, "", 24}))->monitors()[0];
    const Date added = dateNow(); // the lab's addresses recur, and so may their history
    ASSERT_TRUE(spinUntil(
        [&] { return !monitor.samples().empty() && monitor.samples().back().time > added; }, 10s));
    const std::int64_t firstId = monitor.samples().back().id, rssBefore = rssKiB();

    // A small send buffer, so that what the kernels hold cannot pass for the server reading on,
    // and a send timeout, so that a server that neither reads nor closes fails the test.
    auto flood = std::async(std::launch::async, [port] {
        const int fd = connectTo(port);
        const int sendBuffer = 64 * 1024;
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
    std::size_t mostOpen = 0;
    const auto watch = [&] {
        mostOpen = std::max(mostOpen, server.connectionCount());
        return false;
    };
    spinUntil(watch, 500ms);
    // From another thread: past the listen backlog, a connect waits for the server to accept.
    auto connecting = std::async(std::launch::async, [port] {
        std::vector<int> crowd;
        for (int i = 0; i < 100; ++i)
            crowd.push_back(connectTo(port));
        return crowd;
    });
    spinUntil([&] { return watch() || connecting.wait_for(0s) == std::future_status::ready; }, 10s);
    const std::vector<int> crowd = connecting.get();
    EXPECT_THAT(get(port, "/metrics"), HasSubstr("vantorel_probes_sent_total{"))
        << "during the crowd";
    spinUntil(watch, 6s);
    for (const int fd : crowd) {
        ASSERT_GE(fd, 0);
        char byte;
        const ssize_t received = ::recv(fd, &byte, 1, MSG_DONTWAIT);
        EXPECT_TRUE(received == 0 || (received < 0 && errno != EAGAIN)) << "closed by the server";
        ::close(fd);
    }
    ASSERT_TRUE(spinUntil([&] { return flood.wait_for(0s) == std::future_status::ready; }));
    const auto [floodSent, floodReset] = flood.get();
    EXPECT_TRUE(floodSent < 10'000'000 && floodReset) << "cut off after " << floodSent;
    EXPECT_LE(mostOpen, MetricsServer::kMaxConnections);
    EXPECT_LT(rssKiB() - rssBefore, 4096);

    const std::vector<PingSample> during(std::find_if(monitor.samples().begin(),
                                                      monitor.samples().end(),
                                                      [&](auto& s) { return s.id > firstId; }),
                                         monitor.samples().end());
    EXPECT_GE(during.size(), 6u) << "one a second for the 6.5 s and more of the attack";
    for (std::size_t i = 0; i < during.size(); ++i) {
        EXPECT_TRUE(during[i].rtt) << i;
        if (i > 0)
            EXPECT_NEAR(during[i].time - during[i - 1].time, 1.0, 0.25) << i;
    }
}

TEST(MetricsServer, AnswersItsTwoPathsAndRefusesTheRest) {
    MetricsServer server([](ExpositionFormat format) {
        return QByteArray(format == ExpositionFormat::openMetrics ? "om" : "text");
    });
    ASSERT_EQ(server.listen(QHostAddress::LocalHost, 0), std::nullopt);
    const QByteArray text = "text/plain; version=0.0.4; charset=utf-8\r\n\r\n";
    // The first two on one kept connection, which the second closes.
    const std::tuple<QByteArray, QByteArray, QByteArray> cases[] = {
        {"GET /metrics HTTP/1.1\r\nAccept: application/openmetrics-text;version=1.0.0,"
         "text/plain;q=0.5\r\n\r\nGET /metrics?x=1 HTTP/1.1\r\nConnection: close\r\n\r\n",
         "200 OK\r\nContent-Length: 2\r\n",
         "openmetrics-text; version=1.0.0; charset=utf-8\r\n\r\nomHTTP/1.1 200 OK\r\nConnection: "
         "close\r\nContent-Length: 4\r\nContent-Type: " +
             text + "text"},
        {"HEAD /metrics HTTP/1.0\r\n\r\n", "200 OK", "Content-Length: 4\r\nContent-Type: " + text},
        {"GET / HTTP/1.0\r\n\r\n", "200 OK",
         "<a href=\"/metrics\">Metrics</a></p></body></html>\n"},
        {"GET /metrics/ HTTP/1.0\n\n", "404 Not Found", "\r\n\r\n"},
        {"POST /metrics HTTP/1.0\r\n\r\n", "405 Method Not Allowed", "Allow: GET, HEAD\r\n\r\n"},
        {"GET metrics HTTP/1.1\r\n\r\n", "400 Bad Request", "\r\n\r\n"},
        {"GET /" + QByteArray(9000, 'a') + " HTTP/1.1\r\n\r\n", "431 ", "\r\n\r\n"}};
    for (const auto& [request, status, ending] : cases) {
        const QByteArray reply = exchange(server.port(), request);
        EXPECT_TRUE(reply.startsWith("HTTP/1.1 " + status) && reply.endsWith(ending))
            << reply.toStdString();
    }

    HostStore store;
    MetricsEndpoint taken(store);
    EXPECT_THAT(taken.start({QHostAddress::LocalHost, server.port()}).value_or("").toStdString(),
                HasSubstr("in use"));
    EXPECT_EQ(taken.server(), nullptr);
    EXPECT_EQ(parseListenAddress(u"9100"), (ListenAddress{QHostAddress::LocalHost, 9100}));
    EXPECT_EQ(parseListenAddress(u"0.0.0.0:80"), (ListenAddress{QHostAddress::AnyIPv4, 80}));
    EXPECT_EQ(parseListenAddress(u"[::1]:65535"),
              (ListenAddress{QHostAddress::LocalHostIPv6, 65535}));
    for (const char16_t* refused : {u"::1:80", u"[::1]", u"lab.test:80", u"127.0.0.1:",
                                    u"127.0.0.1:65536", u"127.0.0.1:+80", u""})
        EXPECT_EQ(parseListenAddress(refused), std::nullopt)
            << QStringView(refused).toString().toStdString();
}

// Driven through record() on targets read switched off from the preferences, so nothing probes.
TEST(ModelMetrics, CountsOutliveTheSeriesAndEachFormatNamesThemItsWay) {
    Preferences::instance().setValue(keys::scrollbackEnabled, false); // a window of 600 s
    const QString odd = "lab \"x\"\\y\nz";
    Preferences::instance().setValue(
        HostStore::kKey,
        *encodeTargetSpecs(std::vector{TargetSpec{TargetKind::hostPing, odd, "", 24}}));
    HostStore store;
    ModelMetrics metrics(store);
    PingMonitor& monitor = *store.targets()[0]->monitors()[0];
    const Date now = dateNow();
    monitor.record(10, now - 900);
    monitor.record(std::nullopt, now - 700);
    monitor.record(0.5, now - 599); // the window now drops the two before
    monitor.record(5000, now);
    ASSERT_EQ(monitor.samples().size(), 2u);

    const QByteArray om = metrics.render(ExpositionFormat::openMetrics);
    const QByteArray labels = R"(target="lab \"x\"\\y\nz",kind="hostPing")";
    for (const QByteArray& line :
         QByteArrayList{"# TYPE vantorel_probes_sent counter\n",
                        "vantorel_probes_sent_total{" + labels + "} 4\n",
                        "vantorel_probes_lost_total{" + labels + "} 1\n",
                        "# UNIT vantorel_rtt_seconds seconds\n",
                        "vantorel_rtt_seconds_bucket{" + labels + ",le=\"0.0005\"} 1\n",
                        "vantorel_rtt_seconds_bucket{" + labels + ",le=\"5\"} 3\n",
                        "vantorel_rtt_seconds_bucket{" + labels + ",le=\"+Inf\"} 3\n",
                        "vantorel_rtt_seconds_sum{" + labels + "} 5.0105\n",
                        "vantorel_last_rtt_seconds{" + labels + "} 5\n"})
        EXPECT_THAT(om.toStdString(), HasSubstr(line.toStdString()));
    EXPECT_TRUE(om.endsWith("vantorel_sweep_hosts_scanned Hosts scanned in the sweep's last "
                            "complete pass.\n# EOF\n"));
    const QByteArray text = metrics.render(ExpositionFormat::prometheusText);
    EXPECT_THAT(text.toStdString(), HasSubstr("# TYPE vantorel_probes_sent_total counter\n"));
    EXPECT_FALSE(text.contains("# UNIT") || text.contains("# EOF"));

    store.remove(store.targets()[0]->id());
    EXPECT_FALSE(metrics.render(ExpositionFormat::openMetrics).contains("lab \\\""));
}

} // namespace
} // namespace vantorel
