#include "metrics/MetricsConnection.h"
#include "metrics/MetricsEndpoint.h"
#include "metrics/MetricsServer.h"
#include "metrics/ModelMetrics.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/Prometheus.h"
#include "targets/HostStore.h"
#include "targets/TargetSpecJson.h"

#include <QEventLoop>
#include <ctime>
#include <fstream>
#include <future>
#include <gmock/gmock.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using testing::HasSubstr;
using vantorel::test::exchange;
using namespace std::chrono_literals;

namespace vantorel {
namespace {

TEST(MetricsServer, AnswersItsTwoPathsAndRefusesTheRest) {
    MetricsServer server([](ExpositionFormat format) {
        return QByteArray(format == ExpositionFormat::openMetrics ? "om" : "text");
    });
    ASSERT_EQ(server.listen(QHostAddress::LocalHost, 0), std::nullopt);
    const QByteArray text = "text/plain; version=0.0.4; charset=utf-8\r\n\r\n";
    const qsizetype kLongest = MetricsConnection::kMaxHeadBytes;
    const QByteArray askingOpenMetrics = "GET /metrics HTTP/1.1\r\naCCEPT: application/"
                                         "openmetrics-text;version=1.0.0,text/plain;q=0.5\r\n\r\n";
    // Three at once on a kept connection the third closes: each answered though nothing follows.
    const std::tuple<QByteArray, QByteArray, QByteArray> cases[] = {
        {askingOpenMetrics + askingOpenMetrics +
             "GET /metrics?x=1 HTTP/1.1\r\nConnection: Close\r\n\r\n",
         "200 OK\r\nContent-Length: 2\r\n",
         "openmetrics-text; version=1.0.0; charset=utf-8\r\n\r\nomHTTP/1.1 200 OK\r\nConnection: "
         "close\r\nContent-Length: 4\r\nContent-Type: " +
             text + "text"},
        {"HEAD /metrics HTTP/1.0\r\n\r\n", "200 OK",
         "Connection: close\r\nContent-Length: 4\r\nContent-Type: " + text},
        {"GET / HTTP/1.0\r\n\r\n", "200 OK",
         "<a href=\"/metrics\">Metrics</a></p></body></html>\n"},
        {"GET /metrics/ HTTP/1.0\n\n", "404 Not Found", "\r\n\r\n"},
        {"POST /metrics HTTP/1.0\r\n\r\n", "405 Method Not Allowed", "Allow: GET, HEAD\r\n\r\n"},
        {"GET metrics HTTP/1.1\r\n\r\n", "400 Bad Request", "\r\n\r\n"},
        // A head of the longest length taken, and of one byte more.
        {"GET /" + QByteArray(kLongest - 18, 'a') + " HTTP/1.0\r\n\r\n", "404 ", "\r\n\r\n"},
        {"GET /" + QByteArray(kLongest - 17, 'a') + " HTTP/1.1\r\n\r\n", "431 ", "\r\n\r\n"}};
    const QDeadlineTimer closing(MetricsConnection::kResponseTimeoutMs);
    for (const auto& [request, status, ending] : cases) {
        const QByteArray reply = exchange(server.port(), request);
        EXPECT_TRUE(reply.startsWith("HTTP/1.1 " + status) && reply.endsWith(ending))
            << reply.toStdString();
    }
    EXPECT_FALSE(closing.hasExpired()) << "closed as answered";
    std::vector<int> crowd(MetricsServer::kMaxConnections + 1); // the oldest gives way
    std::ranges::generate(crowd, [&] { return test::connectTo(server.port()); });
    char byte;
    EXPECT_TRUE(test::spinUntil([&] { return ::recv(crowd[0], &byte, 1, MSG_DONTWAIT) == 0; }, 2s));
    std::ranges::for_each(crowd, ::close);

    // Far more than the kernel takes at once, to a client that reads only later: the rest
    // follows as it reads, and the answer to the request sent behind it only then. The server
    // is idle again afterwards, on the connection kept for more.
    const QByteArray large(16 << 20, 'x');
    MetricsServer largeServer([&](ExpositionFormat) { return large; });
    ASSERT_EQ(largeServer.listen(QHostAddress::LocalHost, 0), std::nullopt);
    int kept = test::connectTo(largeServer.port());
    auto reading = std::async(std::launch::async, [kept] {
        const timeval patience{20, 0}; // so that a server that stops sending cannot hang the test
        ::setsockopt(kept, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        const std::string_view requests = "GET /metrics HTTP/1.1\r\n\r\nGET / HTTP/1.1\r\n\r\n";
        ::send(kept, requests.data(), requests.size(), MSG_NOSIGNAL);
        std::this_thread::sleep_for(200ms);
        QByteArray got;
        char chunk[65536];
        for (ssize_t n = 1; n > 0 && !got.endsWith("</html>\n"); got.append(chunk, std::max(n, 0l)))
            n = ::recv(kept, chunk, sizeof chunk, 0);
        return got;
    });
    ASSERT_TRUE(test::spinUntil([&] { return reading.wait_for(0s) == std::future_status::ready; }));
    EXPECT_TRUE(reading.get().contains("\r\n\r\n" + large + "HTTP/1.1 200"));
    for (const char* after : {"the response", "a close mid-answer"}) { // used: < 1/4 of the wait
        const std::clock_t cpuBefore = std::clock();
        test::spinFor(500ms);
        EXPECT_LT(std::clock() - cpuBefore, CLOCKS_PER_SEC / 8) << "after " << after;
        if (kept >= 0 && ::send(kept, "GET /metrics HTTP/1.1\r\n\r\n", 25, MSG_NOSIGNAL) == 25)
            ::close(std::exchange(kept, -1)); // gone before the large answer it asked for again
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
                                    u"127.0.0.1:65536", u"127.0.0.1:+80", u"", u":80"})
        EXPECT_EQ(parseListenAddress(refused), std::nullopt)
            << QStringView(refused).toString().toStdString();
}

long wakesOfThisThread() { // the times it blocked, as the kernel counts them: each ends in one
    std::ifstream status("/proc/thread-self/status");
    const std::string text(std::istreambuf_iterator<char>(status), {});
    return std::stol(text.substr(text.find("voluntary_ctxt_switches:") + 24));
}

TEST(MetricsServer, AnswersOnTheWakesOfOtherWorkAndWakesOnceTheThreadIsQuiet) {
    MetricsServer server([](ExpositionFormat) { return QByteArray("m"); });
    ASSERT_EQ(server.listen(QHostAddress::LocalHost, 0), std::nullopt);
    const int kept = test::connectTo(server.port());
    const timeval patience{3, 0};
    ::setsockopt(kept, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    const auto scrape = [&](int count) { // a little apart; returns how many were answered
        QEventLoop loop; // as the application's, and unlike a test's spinning, its passes block
        auto scraping = std::async(std::launch::async, [&] {
            int answered = 0;
            for (char reply[256];
                 count > answered && ::send(kept, "GET /metrics HTTP/1.1\r\n\r\n", 25, 0) > 0 &&
                 ::recv(kept, reply, sizeof reply, 0) > 0;
                 std::this_thread::sleep_for(90ms))
                ++answered;
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
            return answered;
        });
        loop.exec();
        return scraping.get();
    };
    QTimer work; // as the probes wake the thread several times a second
    int ticks = 0;
    work.callOnTimeout([&] { ++ticks; });
    work.start(200ms);
    const long wakesBefore = wakesOfThisThread();
    EXPECT_EQ(scrape(20), 20);
    EXPECT_LT(wakesOfThisThread() - wakesBefore, ticks + 10) << ticks << " ticks";
    work.stop();
    EXPECT_EQ(scrape(2), 2) << "the first once the server finds the thread quiet, the next at once";
    ::close(kept);
}

// Driven through record() on targets read switched off from the preferences, so nothing probes.
TEST(ModelMetrics, CountsOutliveTheSeriesAndEachFormatNamesThemItsWay) {
    Preferences::instance().setValue(keys::scrollbackEnabled, false); // a window of 600 s
    const QString odd = "lab \"x\"\\y\nz";
    const std::vector<TargetSpec> listed{{TargetKind::hostPing, odd, "", 24},
                                         {TargetKind::pingSweep, "198.18.0.1-3", "", 24}};
    Preferences::instance().setValue(HostStore::kKey, *encodeTargetSpecs(listed));
    HostStore store;
    ModelMetrics metrics(store);
    PingMonitor& monitor = *store.targets()[0]->monitors()[0];
    const Date now = dateNow();
    monitor.record(10, now - 900);
    monitor.record(std::nullopt, now - 700);
    monitor.record(6000, now - 599); // the window now drops the two before
    monitor.record(5000, now - 1);   // on a bound: counted in its bucket, as "le" says
    monitor.record(0.6, now);
    ASSERT_EQ(monitor.samples().size(), 3u);

    const QByteArray om = metrics.render(ExpositionFormat::openMetrics);
    const QByteArray labels = R"(target="lab \"x\"\\y\nz",kind="hostPing")";
    for (const QByteArray& line :
         QByteArrayList{"vantorel_target_up{" + labels + "} 0\n", // switched off
                        "# TYPE vantorel_probes_sent counter\n",
                        "vantorel_probes_sent_total{" + labels + "} 5\n",
                        "vantorel_probes_lost_total{" + labels + "} 1\n",
                        "# UNIT vantorel_rtt_seconds seconds\n",
                        "vantorel_rtt_seconds_bucket{" + labels + ",le=\"0.0005969\"} 0\n",
                        "vantorel_rtt_seconds_bucket{" + labels + ",le=\"0.0006522\"} 1\n",
                        "vantorel_rtt_seconds_bucket{" + labels + ",le=\"5\"} 3\n",
                        "vantorel_rtt_seconds_bucket{" + labels + ",le=\"+Inf\"} 4\n",
                        "vantorel_rtt_seconds_sum{" + labels + "} 11.0106\n",
                        "vantorel_last_rtt_seconds{" + labels + "} 6e-04\n"})
        EXPECT_THAT(om.toStdString(), HasSubstr(line.toStdString()));
    EXPECT_FALSE(om.contains("le=\"0.0005463\"")) << "below the empty bucket under the lowest";
    EXPECT_EQ(om.count("kind=\"pingSweep\""), 1) << "a sweep is up or not, and probes nothing";
    EXPECT_TRUE(om.endsWith("vantorel_sweep_hosts_scanned Hosts scanned in the sweep's last "
                            "complete pass.\n# EOF\n"));
    const QByteArray text = metrics.render(ExpositionFormat::prometheusText);
    EXPECT_THAT(text.toStdString(), HasSubstr("# TYPE vantorel_probes_sent_total counter\n"));
    EXPECT_FALSE(text.contains("# UNIT") || text.contains("# EOF"));

    // Switched on but not probing: answering with some loss is up.
    store.targets()[0]->setEnabled(true);
    monitor.stop();
    for (int i = 0; i < 5 + 2; ++i) // the warm-up's five outcomes, then a loss and an answer
        monitor.record(i == 5 ? std::nullopt : std::optional(7.0), now);
    ASSERT_EQ(store.targets()[0]->health(), TargetHealth::warn);
    store.remove(store.targets()[1]->id()); // the sweep: it goes, the other's counts go on
    const QByteArray kept = metrics.render(ExpositionFormat::openMetrics);
    EXPECT_TRUE(kept.contains("target_up{" + labels + "} 1\n") && !kept.contains("198.18"));
    EXPECT_TRUE(kept.contains("sent_total{" + labels + "} 7\n"));
    ModelMetrics late(store); // counts from its own start, not what the monitor had counted
    monitor.record(7.0, now);
    const QByteArray fresh = late.render(ExpositionFormat::openMetrics);
    EXPECT_TRUE(fresh.contains("sent_total{" + labels + "} 1\n") &&
                fresh.contains(labels + ",le=\"0.007126\"} 1\n"));
    store.add({TargetKind::serviceCheck, "no port", "", 24}); // failing, though it answered
    Target& check = *store.targets().back();
    check.setEnabled(false);
    for (int i = 0; i < 2; ++i) // the first may be the warm-up
        check.monitors()[0]->record(3.0, now);
    check.setEnabled(true); // the address cannot be checked
    EXPECT_TRUE(metrics.render(ExpositionFormat::openMetrics)
                    .contains(R"(up{target="no port",kind="serviceCheck"} 0)"));

    // A store that goes first takes its targets with it, and they are no longer exposed.
    auto gone = std::make_unique<HostStore>();
    gone->add({TargetKind::hostPing, "127.0.0.1", "", 24});
    ModelMetrics outliving(*gone);
    EXPECT_TRUE(outliving.render(ExpositionFormat::openMetrics)
                    .contains(R"(up{target="127.0.0.1",kind="hostPing"} 0)"));
    const std::weak_ptr<Target> target = gone->targets()[0];
    gone.reset();
    EXPECT_TRUE(target.expired());
    EXPECT_FALSE(outliving.render(ExpositionFormat::openMetrics).contains("127.0.0.1"));
}

} // namespace
} // namespace vantorel
