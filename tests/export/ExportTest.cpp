// `vantorel --export` over a real history file: a host ping of 127.0.0.1 recorded by a running
// monitor, known samples (lost ones among them) and a traceroute path written through the store,
// exported as CSV and JSON and compared row by row with the file by Python.
#include "app/SingleInstance.h"
#include "export/CsvExport.h"
#include "export/ExportedHistory.h"
#include "export/JsonExport.h"
#include "history/SampleStore.h"
#include "monitor/PingMonitor.h"
#include "support/EventLoop.h"
#include "support/QtPrinters.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

using test::spinUntil;

// Reads the file through SQLite alone and holds both exports against it: the CSV's bytes (CRLF),
// its columns, and every sample and hop; prints what it compared.
constexpr char kCheck[] = R"PY(
import csv, datetime, json, math, sqlite3, sys, time
db, key, period, csv_path, json_path = sys.argv[1:6]
con = sqlite3.connect("file:%s?mode=ro" % db, uri=True)
since = time.time() - 978307200 - int(period[:-1]) * {"m": 60, "h": 3600, "d": 86400}[period[-1]]
def iso(t):
    ms = math.floor((t + 978307200) * 1000 + 0.5)
    day = datetime.datetime.fromtimestamp(ms // 1000, datetime.timezone.utc)
    return day.strftime("%Y-%m-%dT%H:%M:%S") + ".%03dZ" % (ms % 1000)
samples = [(iso(t), seq, rtt) for seq, rtt, t in con.execute(
    "SELECT seq, rtt, t FROM samples WHERE key=? AND t>=? ORDER BY t", (key, since))]
path = con.execute("SELECT hops FROM trace_paths WHERE key=?", (key,)).fetchone()
hops = [(h["number"], "" if h["host"] == "*" else h["host"], h.get("hostname", ""),
         h.get("last")) for h in json.loads(path[0])] if path else []
assert (raw := open(csv_path, "rb").read()).endswith(b"\r\n") and raw.count(b"\n") == raw.count(b"\r\n"), "not CRLF"
rows = list(reader := csv.DictReader(open(csv_path, newline="", encoding="utf-8")))
columns = ["time", "seq", "rtt_ms", "status"]
hop_columns = ["hop", "address", "name", "last_ms", "avg_ms", "best_ms", "worst_ms"]
traced = key.startswith("traceroute:")
assert reader.fieldnames == (["record"] + columns + hop_columns if traced else columns), reader.fieldnames
assert all(None not in r.values() and None not in r for r in rows), "ragged"
ms = lambda text: float(text) if text else None
assert (got := [(r["time"], int(r["seq"]), ms(r["rtt_ms"])) for r in rows if r.get("record", "sample") == "sample"]) == samples, (got, samples)
assert all((r["status"] == "lost") == (r["rtt_ms"] == "") for r in rows if r["seq"])
assert (got := [(int(r["hop"]), r["address"], r["name"], ms(r["last_ms"])) for r in rows if r.get("record") == "hop"]) == hops, (got, hops)
doc = json.load(open(json_path, encoding="utf-8"))
assert (doc["key"], doc["kind"], doc["host"]) == (key, key.split(":")[0], key.split(":", 1)[1]), doc["host"]
assert abs(datetime.datetime.fromisoformat(doc["since"].replace("Z", "+00:00")).timestamp() - 978307200 - since) < 60, doc["since"]
assert [(s["time"], s["seq"], s["rtt_ms"]) for s in doc["samples"]] == samples
assert ("hops" in doc) == traced and [(h["hop"], h["address"] or "", h["name"] or "", h["last_ms"]) for h in doc.get("hops", [])] == hops
print("samples=%d lost=%d hops=%d" % (len(samples), sum(s[2] is None for s in samples), len(hops)))
)PY";

struct Outcome {
    int status;
    QByteArray out;
    QString err;
};

class ExportTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // No display or bus: the export needs neither. The lock lives in a runtime folder of ours.
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DBUS_SESSION_BUS_ADDRESS"})
            qunsetenv(name);
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    }
    static inline QTemporaryDir runtime;

    static Outcome vantorel(const QStringList& args) { return run(VANTOREL_PROGRAM, args); }
    // Exports `key` since `period` ago (by default, the default day) both ways and has Python
    // compare them with the file; returns its summary.
    QString checkedExport(const QString& key, const QString& period = {}) {
        QStringList files;
        for (const QString& format : {QStringLiteral("csv"), QStringLiteral("json")}) {
            const Outcome exported =
                vantorel(QStringList{"--export", key, "--format", format} +
                         (period.isEmpty() ? QStringList() : QStringList{"--since", period}));
            EXPECT_EQ(exported.status, 0) << exported.err.toStdString();
            files << folder.filePath(QString(key).replace(':', '_') + '.' + format);
            QFile file(files.back());
            EXPECT_TRUE(file.open(QIODevice::WriteOnly) &&
                        file.write(exported.out) == exported.out.size());
        }
        const Outcome check =
            run("python3", {"-c", kCheck, SampleStore::defaultDatabaseFile(), key,
                            period.isEmpty() ? "24h" : period, files[0], files[1]});
        EXPECT_EQ(check.status, 0) << check.err.toStdString();
        return QString::fromUtf8(check.out).trimmed();
    }
    static Outcome run(const QString& program, const QStringList& arguments) {
        QProcess process;
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForFinished(20000)) << arguments.join(' ').toStdString();
        return {process.exitCode(), process.readAllStandardOutput(),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QTemporaryDir folder;
};

TEST_F(ExportTest, SamplesAndHopsAgreeWithTheFileWhileAnotherVantorelHoldsTheLock) {
    SingleInstance running;
    ASSERT_TRUE(running.claim());
    // A real monitor pinging the loopback records into the history file.
    const auto monitor = PingMonitor::create("127.0.0.1", PingMonitor::Mode::continuous,
                                             "hostPing:127.0.0.1", {.probeInterval = 0.1});
    monitor->start();
    ASSERT_TRUE(spinUntil([&] { return monitor->counter() >= 8; }, std::chrono::seconds(20)));
    monitor->stop();
    // What the pane exports of a route carries its hop table.
    const auto route = PingMonitor::create("127.0.0.1", PingMonitor::Mode::traceroute,
                                           "traceroute:127.0.0.1", {.probeInterval = 0.1});
    route->start();
    ASSERT_TRUE(spinUntil([&] { return !route->hopStats().empty(); }, std::chrono::seconds(20)));
    EXPECT_EQ(exportedHistoryOf(*route, 0)->hops, route->hopStats());
    EXPECT_EQ(exportedHistoryOf(*monitor, monitor->samples().front().time)->samples.size(),
              monitor->samples().size()); // the cut-off's own sample is in
    // Samples (some lost, one older than the period); a path with names to quote and a silent hop.
    const auto& store = SampleStore::shared();
    const Date now = dateNow();
    store->appendSample("hostPing:198.18.0.7", {1, 12.25, now - 7200});
    for (int i = 2; i <= 6; ++i)
        store->appendSample("hostPing:198.18.0.7",
                            {i, i % 3 ? std::optional(0.1 * i) : std::nullopt, now - 60 + i});
    for (int i = 1; i <= 3; ++i)
        store->appendSample("traceroute:198.18.0.9",
                            {i, i == 2 ? std::nullopt : std::optional(3.5), now - 10 + i});
    store->saveTracePath(
        "traceroute:198.18.0.9",
        {{1, "198.18.0.1", "gw, \"edge\"\r\nrouter", 1.25}, {2}, {3, "198.18.0.9", "målet", 3.5}});
    store->saveTracePath("traceroute:198.18.0.10", {{1, "198.18.0.10"}}); // its samples pruned
    store->flush();

    EXPECT_EQ(checkedExport("hostPing:127.0.0.1"),
              QStringLiteral("samples=%1 lost=0 hops=0").arg(monitor->counter()));
    EXPECT_EQ(checkedExport("hostPing:198.18.0.7", "9m"), "samples=5 lost=2 hops=0");
    EXPECT_EQ(checkedExport("hostPing:198.18.0.7"), "samples=6 lost=2 hops=0");
    EXPECT_EQ(checkedExport("hostPing:198.18.0.7", "3660d"), "samples=6 lost=2 hops=0");
    EXPECT_EQ(checkedExport("traceroute:198.18.0.9"), "samples=3 lost=1 hops=3");
    EXPECT_EQ(checkedExport("traceroute:198.18.0.10"), "samples=0 lost=0 hops=1");

    // A host alone names its one key; the lock held above keeps a second window out all along.
    EXPECT_EQ(vantorel({"--export", "198.18.0.9"}).out,
              vantorel({"--export", "traceroute:198.18.0.9"}).out);
    EXPECT_TRUE(vantorel({"--export", "198.18.0.9", "--format", "json"})
                    .out.contains(R"("key":"traceroute:198.18.0.9")"));
    EXPECT_EQ(run("env", {"QT_QPA_PLATFORM=offscreen", VANTOREL_PROGRAM}).err,
              "Vantorel is already running.\n");
}

TEST_F(ExportTest, RefusesWhatItCannotAnswerOrReadAndSaysWhy) {
    for (const char* kind : {"serviceCheck", "hostPing", "pingSweep"}) // a sweep's: not exported
        SampleStore::shared()->appendSample(QString(kind) + ":198.18.0.5", {1, 2.0, dateNow()});
    SampleStore::shared()->flush();
    const struct {
        QStringList arguments;
        const char* message;
        const char* alsoSays = "";
    } cases[] = {
        {{"--export", "hostPing:198.18.0.99"},
         "no history for \"hostPing:198.18.0.99\"; keys with history: hostPing:",
         ", serviceCheck:198.18.0.5"},
        {{"--export", "198.18.0.5"}, "\"198.18.0.5\" has history under several keys"},
        {{"--export", "pingSweep:198.18.0.5"}, "no history for \"pingSweep:198.18.0.5\""},
        {{"--export", "hostPing:198.18.0.5", "--since", "5x"}, "--since \"5x\" is not a duration"},
        {{"--export", "hostPing:198.18.0.5", "--since", "+1h"}, "is not a duration"},
        {{"--export", "hostPing:198.18.0.5", "--since", "0s"}, "is not a duration"},
        {{"--export", "hostPing:198.18.0.5", "--since", "3661d"}, "is not a duration"},
        {{"--export", "hostPing:198.18.0.5", "--format", "xml"}, "--format \"xml\" is neither"}};
    for (const auto& c : cases) {
        const Outcome run = vantorel(c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty() && run.err.startsWith(QStringLiteral("vantorel: ")) &&
                    run.err.contains(c.message) && run.err.contains(c.alsoSays) &&
                    !run.err.contains("pingSweep:198.18.0.5, ")) // a sweep's key is never offered
            << run.err.toStdString();
    }
    EXPECT_TRUE(vantorel({"--help"}).out.contains("--export <key>"));

    // A history file that is no database cannot be answered at all: status 1, not "no history".
    const QStringList damaged{"XDG_DATA_HOME=" + folder.path(), VANTOREL_PROGRAM, "--export",
                              "hostPing:198.18.0.5"};
    EXPECT_EQ(run("env", damaged).status, 2);
    QDir(folder.path()).mkdir("Vantorel");
    QFile garbage(folder.filePath("Vantorel/history.sqlite"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly) && garbage.write(QByteArray(4096, 'x')) == 4096);
    garbage.close();
    const Outcome unreadable = run("env", damaged);
    EXPECT_TRUE(unreadable.status == 1 &&
                unreadable.err.contains("cannot be read as a history file"))
        << unreadable.err.toStdString();
    const QString full = "\"$0\" --export hostPing:198.18.0.5 >/dev/full"; // cannot be written
    EXPECT_EQ(run("sh", {"-c", full, VANTOREL_PROGRAM}).status, 1) << "not reported done";
}

// Hop figures exist only for a monitor's own hops (the file keeps no round-trip history), as the
// detail pane exports them; a name with only a comma, a quote or a line break still needs quotes.
TEST(ExportFormats, HopFiguresAndAQuotedNameInBothFormats) {
    const ExportedHistory history{.key = "traceroute:2001:db8::9",
                                  .kind = TargetKind::traceroute,
                                  .hops = {{1, "198.18.0.1", "edge, north", 6.0, {2.0, 1.0, 6.0}}}};
    EXPECT_EQ(historyCsv(history),
              "record,time,seq,rtt_ms,status,hop,address,name,last_ms,avg_ms,"
              "best_ms,worst_ms\r\nhop,,,,,1,198.18.0.1,\"edge, north\",6,3,1,6\r\n");
    for (const QByteArray name : {"a\nb", "a\rb", "\"\"a"}) // the quote itself doubled
        EXPECT_TRUE(historyCsv({.kind = TargetKind::traceroute, .hops = {{.hostname = name}}})
                        .endsWith(",\"" + QByteArray(name).replace('"', "\"\"") + "\",,,,\r\n"));
    const QJsonObject json = QJsonDocument::fromJson(historyJson(history)).object();
    const QJsonObject hop = json["hops"].toArray()[0].toObject();
    EXPECT_EQ(QList({json["host"], hop["avg_ms"], hop["best_ms"], hop["worst_ms"]}),
              QList<QJsonValue>({"2001:db8::9", 3, 1, 6}));
}

} // namespace
} // namespace vantorel
