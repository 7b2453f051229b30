#include "history/SampleStore.h"
#include "history/StoreTestSupport.h"
#include "support/EventLoop.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <signal.h>

using namespace std::chrono_literals;

namespace vantorel {
namespace {

using test::countOccurrences;
using test::kUnavailableLine;
using test::loadSamplesNow;
using test::loadSweepStateNow;
using test::loadTracePathNow;
using test::queryText;

void writeFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(SampleStoreFailure, UnusableFolderLogsOnceAndEveryLoadStillCompletesEmpty) {
    QTemporaryDir dir;
    // A folder under a regular file cannot be made, not even by root.
    const QString blocker = dir.filePath("blocker");
    writeFile(blocker, "a regular file");

    test::StderrCapture capture;
    const auto store = SampleStore::create(blocker + "/Vantorel/history.sqlite");
    store->appendSample("k", {.id = 5, .rtt = 1.0, .time = 10});
    store->saveTracePath("traceroute:x", {HopStat{.number = 1}});
    store->saveSweepState("pingSweep:x", std::vector<SweepHostState>{{.host = "198.18.0.1"}});
    store->prune(0);
    const auto samples = loadSamplesNow(*store, "k", 0);
    const auto hops = loadTracePathNow(*store, "traceroute:x");
    const auto sweep = loadSweepStateNow(*store, "pingSweep:x");
    const QByteArray log = capture.finish();

    ASSERT_TRUE(samples);
    EXPECT_TRUE(samples->samples.empty());
    EXPECT_EQ(samples->highestSeq, 0);
    EXPECT_EQ(hops, std::vector<HopStat>{});
    EXPECT_EQ(sweep, std::vector<SweepHostState>{});
    EXPECT_EQ(countOccurrences(log, kUnavailableLine), 1) << log.constData();
    EXPECT_TRUE(log.contains(QByteArray(kUnavailableLine) + "unable to open database file"))
        << log.constData();
}

TEST(SampleStoreFailure, FileThatIsNotADatabaseIsMovedAsideAndAFreshOneRecords) {
    QTemporaryDir dir;
    const QString file = dir.filePath("history.sqlite");
    const QByteArray garbage = QByteArray("not a database, just a file of text\n").repeated(200);
    writeFile(file, garbage);

    test::StderrCapture capture;
    {
        const auto store = SampleStore::create(file);
        store->appendSample("k", {.id = 1, .rtt = 2.0, .time = 10});
        const auto loaded = loadSamplesNow(*store, "k", 0);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->samples.size(), 1u);
    }
    const QByteArray log = capture.finish();
    EXPECT_EQ(countOccurrences(log, kUnavailableLine), 1) << log.constData();
    EXPECT_TRUE(log.contains("file is not a database")) << log.constData();

    const QStringList aside = QDir(dir.path()).entryList({"history.sqlite.damaged-*"});
    ASSERT_EQ(aside.size(), 1) << aside.join(' ').toStdString();
    EXPECT_TRUE(log.contains(aside[0].toUtf8())) << log.constData();
    EXPECT_EQ(readFile(dir.filePath(aside[0])), garbage);
    EXPECT_EQ(queryText(file, "PRAGMA integrity_check;"), "ok");

    // The next start finds a healthy file: nothing is logged or moved, and the history is there.
    test::StderrCapture secondCapture;
    {
        const auto store = SampleStore::create(file);
        const auto loaded = loadSamplesNow(*store, "k", 0);
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->samples.size(), 1u);
    }
    EXPECT_EQ(countOccurrences(secondCapture.finish(), kUnavailableLine), 0);
    EXPECT_EQ(QDir(dir.path()).entryList({"history.sqlite.damaged-*"}).size(), 1);
}

TEST(SampleStoreFailure, KillingARecordingProcessKeepsEveryCommittedSample) {
    QTemporaryDir dir;
    const QString file = dir.filePath("history.sqlite");
    QProcess recorder;
    recorder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    recorder.start(HISTORY_RECORDER_PATH, {file});
    ASSERT_TRUE(recorder.waitForStarted());

    qint64 committed = 0;
    QByteArray pending;
    const bool enough = test::spinUntil(
        [&] {
            recorder.waitForReadyRead(10);
            pending += recorder.readAllStandardOutput();
            qsizetype end;
            while ((end = pending.indexOf('\n')) >= 0) {
                const QByteArray line = pending.left(end);
                pending.remove(0, end + 1);
                if (line.startsWith("committed "))
                    committed = line.mid(10).toLongLong();
            }
            return committed >= 400;
        },
        20s);
    ::kill(pid_t(recorder.processId()), SIGKILL);
    recorder.waitForFinished();
    ASSERT_TRUE(enough) << "the recorder reported only " << committed;
    EXPECT_EQ(recorder.exitStatus(), QProcess::CrashExit);

    EXPECT_EQ(queryText(file, "PRAGMA integrity_check;"), "ok");
    const QByteArray present =
        queryText(file, QStringLiteral("SELECT count(DISTINCT seq) FROM samples WHERE "
                                       "key='hostPing:127.0.0.1' AND seq BETWEEN 1 AND %1;")
                            .arg(committed)
                            .toUtf8()
                            .constData());
    EXPECT_EQ(present.toLongLong(), committed);
    EXPECT_EQ(queryText(file, "SELECT count(*) FROM samples WHERE rtt IS NULL AND seq = 7;"), "1");

    const auto store = SampleStore::create(file);
    const auto loaded = loadSamplesNow(*store, "hostPing:127.0.0.1", 0);
    ASSERT_TRUE(loaded);
    EXPECT_GE(loaded->highestSeq, committed);
    EXPECT_GE(qint64(loaded->samples.size()), committed);
}

} // namespace
} // namespace vantorel
