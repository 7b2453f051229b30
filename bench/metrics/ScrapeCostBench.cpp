// What the metrics endpoint costs 100 host pings, headless, against hosts of the test lab:
//
//   build/bench/metrics/scrape_cost_bench [seconds]     (root: it builds a private test network)
//
// The process's CPU time over the given time (default 60 s): without the endpoint (before and after
// the rest), and with it, not scraped and scraped every second alternating in 8 s phases. The
// process keeps to the first core. Its scrapers: a real Prometheus on the second core, as on a
// machine of its own; a client that only fetches, also there; the same Prometheus free to take
// either core, as when it shares a small machine; and that Prometheus scraping a copy of the
// exposition from another process against it paused, which tells its own work on our core from
// what the endpoint costs. Then what one rendering of the exposition takes and how large it is,
// and what a whole scrape costs the main thread.
#include "lab/Lab.h"
#include "lab/PrivateNetwork.h"
#include "metrics/MetricsEndpoint.h"
#include "metrics/MetricsServer.h"
#include "metrics/MetricsWriter.h"
#include "metrics/ModelMetrics.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/SessionBusProcess.h"
#include "support/UserFolders.h"
#include "targets/HostStore.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <future>
#include <sched.h>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vantorel;

namespace {

constexpr quint16 kCopyPort = 9091;

// The core this process keeps to; scrapers "on their own core" keep to the other one.
constexpr int kOurCore = 0;
constexpr int kOtherCore = 1;

void keepToCore(int core) {
    cpu_set_t cores;
    CPU_ZERO(&cores);
    CPU_SET(core, &cores);
    sched_setaffinity(0, sizeof cores, &cores);
}

// `program` started with `arguments`, kept to `core` when one is given.
std::unique_ptr<test::TestDaemonProcess> startDaemon(const QString& program, QStringList arguments,
                                                     std::optional<int> core,
                                                     const QString& logPath) {
    QString command = program;
    if (core) {
        arguments = QStringList{"-c", QString::number(*core), program} + arguments;
        command = "taskset";
    }
    return std::make_unique<test::TestDaemonProcess>(
        command, arguments, QProcessEnvironment::systemEnvironment(), logPath);
}

// What this process has used: CPU seconds, and how often its threads were put off a core for
// another's turn, which tells a scraper competing for the core from work the scrapes add.
struct Use {
    double cpu = 0;
    long preempted = 0;

    Use& operator+=(const Use& other) {
        cpu += other.cpu;
        preempted += other.preempted;
        return *this;
    }
};

Use used() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return {seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_nivcsw};
}

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// What this process uses in a plain event loop, as the application runs, for `duration`.
Use runFor(std::chrono::seconds duration) {
    const Use before = used();
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
    const Use after = used();
    return {after.cpu - before.cpu, after.preempted - before.preempted};
}

// Prometheus scraping http://127.0.0.1:`port``path` every second, for as long as this exists.
std::unique_ptr<test::TestDaemonProcess> startPrometheusScraping(const QTemporaryDir& folder,
                                                                 quint16 port, const char* path,
                                                                 std::optional<int> core) {
    const QString config = folder.filePath("prometheus.yml");
    std::ofstream(config.toStdString())
        << "global: {scrape_interval: 1s, scrape_timeout: 1s}\nscrape_configs:\n"
        << "  - {job_name: vantorel, metrics_path: '" << path
        << "', static_configs: [{targets: ['127.0.0.1:" << port << "']}]}\n";
    return startDaemon("prometheus",
                       {"--config.file=" + config, "--storage.tsdb.path=" + folder.filePath("data"),
                        "--web.listen-address=127.0.0.1:9090"},
                       core, folder.filePath("prometheus.log"));
}

std::unique_ptr<test::TestDaemonProcess> startPrometheusOnItsCore(const QTemporaryDir& folder,
                                                                  quint16 port) {
    return startPrometheusScraping(folder, port, "/metrics", kOtherCore);
}

std::unique_ptr<test::TestDaemonProcess> startPrometheusOnAnyCore(const QTemporaryDir& folder,
                                                                  quint16 port) {
    return startPrometheusScraping(folder, port, "/metrics", std::nullopt);
}

constexpr char kCopyPath[] = "/copy";

// The same Prometheus scraping a copy of the exposition that another process serves: the same
// series to take in, but nothing asked of the endpoint. What this costs the pings is Prometheus's
// own work competing with them for the two cores.
std::unique_ptr<test::TestDaemonProcess> startPrometheusOnCopy(const QTemporaryDir& folder,
                                                               quint16 copyPort) {
    return startPrometheusScraping(folder, copyPort, kCopyPath, std::nullopt);
}

// A server on 127.0.0.1:`port` answering every request with the file `copy` as an OpenMetrics
// exposition, over kept connections: Prometheus takes it in exactly as it takes in ours.
std::unique_ptr<test::TestDaemonProcess> serveCopy(const QString& copy, quint16 port) {
    const QString script =
        QStringLiteral(R"(
import http.server
body = open("%1", "rb").read()
class Copy(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "%2")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *arguments):
        pass
http.server.HTTPServer(("127.0.0.1", %3), Copy).serve_forever()
)")
            .arg(copy, QString::fromLatin1(contentType(ExpositionFormat::openMetrics)))
            .arg(port);
    return startDaemon("python3", {"-c", script}, kOtherCore, copy + ".log");
}

// A scraper that only fetches, once a second over a kept connection and asking as Prometheus asks,
// on the other core.
std::unique_ptr<test::TestDaemonProcess> startLightScraper(const QTemporaryDir& folder,
                                                           quint16 port) {
    const QString script = QStringLiteral(R"(
import http.client, time
connection = http.client.HTTPConnection("127.0.0.1", %1)
while True:
    connection.request("GET", "/metrics", headers={
        "Accept": "application/openmetrics-text;version=1.0.0,text/plain;version=0.0.4;q=0.5",
        "Accept-Encoding": "gzip", "X-Prometheus-Scrape-Timeout-Seconds": "1"})
    connection.getresponse().read()
    time.sleep(1)
)")
                               .arg(port);
    return startDaemon("python3", {"-c", script}, kOtherCore, folder.filePath("scraper.log"));
}

using ScraperStart = std::unique_ptr<test::TestDaemonProcess> (*)(const QTemporaryDir&, quint16);

struct Phases {
    Use unscraped, scraped;
};

// What is used over `duration`, scraped and not, in alternating phases with the scraper paused for
// the unscraped ones, so that the pings' own cost, which drifts as their series fill, and the load
// of the rest of the machine fall on both alike. A pause is shorter than the server keeps an idle
// connection.
Phases unscrapedAndScraped(ScraperStart start, quint16 port, std::chrono::seconds duration) {
    const QTemporaryDir folder;
    const auto scraper = start(folder, port);
    runFor(std::chrono::seconds(5)); // until it scrapes
    const std::chrono::seconds phase(8);
    const auto cycles = std::max<long long>(1, duration / (2 * phase));
    Phases phases;
    for (long long cycle = 0; cycle < cycles; ++cycle) {
        ::kill(pid_t(scraper->pid()), SIGSTOP);
        phases.unscraped += runFor(phase);
        ::kill(pid_t(scraper->pid()), SIGCONT);
        phases.scraped += runFor(phase);
    }
    const double scale = double(duration.count()) / double(cycles * phase.count());
    phases.unscraped.cpu *= scale;
    phases.scraped.cpu *= scale;
    return phases;
}

void report(const char* scraper, const Phases& phases, double without) {
    std::printf("  scraped every second by %s: %.3f s (%+.1f %% over unscraped, %+.1f %% over "
                "without), preempted %ld times (%ld unscraped)\n",
                scraper, phases.scraped.cpu, 100 * (phases.scraped.cpu / phases.unscraped.cpu - 1),
                100 * (phases.scraped.cpu / without - 1), phases.scraped.preempted,
                phases.unscraped.preempted);
}

constexpr int kScrapes = 300;

// Scrapes 127.0.0.1:`port` `count` times over one kept connection, as Prometheus does; returns
// how many complete answers came.
int scrape(quint16 port, int count) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return 0;
    const std::string_view request = "GET /metrics HTTP/1.1\r\nHost: bench\r\nAccept: "
                                     "application/openmetrics-text; version=1.0.0\r\n\r\n";
    int answered = 0;
    std::string received;
    char chunk[65536];
    for (; answered < count; ++answered) {
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
        received.clear();
        std::size_t headEnd = std::string::npos, length = 0;
        while (headEnd == std::string::npos || received.size() < headEnd + 4 + length) {
            const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) {
                ::close(fd);
                return answered;
            }
            received.append(chunk, std::size_t(n));
            if (headEnd == std::string::npos &&
                (headEnd = received.find("\r\n\r\n")) != std::string::npos)
                length = std::stoul(received.substr(received.find("Content-Length: ") + 16));
        }
    }
    ::close(fd);
    return answered;
}

} // namespace

int main(int argc, char** argv) {
    // Before any thread starts, so that all of them keep to it.
    keepToCore(kOurCore);
    lab::enterPrivateNetwork();
    test::isolateUserFolders();
    QCoreApplication app(argc, argv);
    const std::chrono::seconds duration(argc > 1 ? std::atoi(argv[1]) : 60);
    // Without history writes: their periodic checkpoints would land in one phase or another and
    // drown what the endpoint costs.
    Preferences::instance().setValue(keys::scrollbackEnabled, false);
    Preferences::instance().setValue(HostStore::kKey, QByteArray("[]"));

    lab::Lab lab;
    HostStore store;
    for (const auto& host : lab.addHosts(100))
        store.add({TargetKind::hostPing, QString::fromStdString(host), "", 24});
    runFor(std::chrono::seconds(10)); // past the warm-up

    // A monitor's statistics cost more as its series fills, so each way is measured twice, on
    // both sides of the one it is held against, and the two are averaged.
    const double withoutBefore = runFor(duration).cpu;
    MetricsEndpoint endpoint(store);
    if (const auto error = endpoint.start({})) {
        std::fprintf(stderr, "the endpoint cannot start: %s\n", qPrintable(*error));
        return 1;
    }
    const quint16 port = endpoint.server()->port();
    // Alongside the endpoint's own, so that its copy holds as many series and buckets.
    ModelMetrics metrics(store);
    const Phases onItsCore = unscrapedAndScraped(startPrometheusOnItsCore, port, duration);
    const Phases fetching = unscrapedAndScraped(startLightScraper, port, duration);
    const Phases onAnyCore = unscrapedAndScraped(startPrometheusOnAnyCore, port, duration);
    const QTemporaryDir copy;
    const QString copyFile = copy.filePath("metrics.txt");
    std::ofstream(copyFile.toStdString())
        << metrics.render(ExpositionFormat::openMetrics).toStdString();
    const auto copyServer = serveCopy(copyFile, kCopyPort);
    const Phases copyScraped = unscrapedAndScraped(startPrometheusOnCopy, kCopyPort, duration);
    endpoint.stop();
    const double without = (withoutBefore + runFor(duration).cpu) / 2;
    std::printf("100 host pings for %llds: %.3f s CPU without the endpoint, %.3f s with it "
                "(%+.1f %%)\n",
                (long long)duration.count(), without, onItsCore.unscraped.cpu,
                100 * (onItsCore.unscraped.cpu / without - 1));
    report("Prometheus on a core of its own", onItsCore, without);
    report("a fetch-only client on a core of its own", fetching, without);
    report("Prometheus free to share our core", onAnyCore, without);
    std::printf("  Prometheus free to share our core scraping a copy from another process: %.3f s "
                "(%+.1f %% over it paused), preempted %ld times (%ld paused)\n",
                copyScraped.scraped.cpu,
                100 * (copyScraped.scraped.cpu / copyScraped.unscraped.cpu - 1),
                copyScraped.scraped.preempted, copyScraped.unscraped.preempted);

    qsizetype size = 0;
    const double renderStart = threadCpuSeconds();
    for (int i = 0; i < 100; ++i)
        size = metrics.render(ExpositionFormat::openMetrics).size();
    const double renderCpu = threadCpuSeconds() - renderStart;
    std::printf("one exposition of 100 host pings: %lld bytes, rendered in %.3f ms of CPU\n",
                (long long)size, renderCpu / 100 * 1e3);

    // The whole answer, from the request arriving to the response sent, on the main thread (the
    // kernel's work for the send included), with the targets holding still so that nothing else
    // runs there: what each scrape costs the endpoint when it wakes the thread itself. The check
    // for the end is rarer than the server's quiet, so that it does not wake the thread for it.
    for (const auto& target : store.targets())
        target->stop();
    endpoint.start({});
    const double scrapesStart = threadCpuSeconds();
    auto client = std::async(std::launch::async,
                             [port = endpoint.server()->port()] { return scrape(port, kScrapes); });
    QEventLoop loop;
    QTimer check;
    check.callOnTimeout([&] {
        if (client.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
            loop.quit();
    });
    check.start(std::chrono::seconds(1));
    loop.exec();
    const double scrapesCpu = threadCpuSeconds() - scrapesStart;
    std::printf("one scrape of that over a kept connection: %.3f ms of the main thread's CPU "
                "(%d of %d answered)\n",
                scrapesCpu / kScrapes * 1e3, client.get(), kScrapes);
    return 0;
}
