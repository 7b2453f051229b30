#include "InstalledTree.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace vantorel::test {
namespace {

const QString kAppId = QStringLiteral("org.vantorel.Vantorel");

struct ToolRun {
    int exitCode = -1;
    QString output;
};

ToolRun run(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, arguments);
    if (!tool.waitForFinished(60000) || tool.exitStatus() != QProcess::NormalExit)
        return {-1, program + " did not run: " + tool.errorString()};
    return {tool.exitCode(), QString::fromLocal8Bit(tool.readAll())};
}

// appstreamcli marks its findings "E:", "W:", "I:" and "P:" (pedantic); errors and warnings
// are what a software centre would hold against the package.
bool appstreamComplains(const QString& output) {
    return output.contains(
        QRegularExpression(QStringLiteral("^\\s*[EW]: "), QRegularExpression::MultilineOption));
}

QString entryValue(const QString& desktopFile, const QString& key) {
    QFile file(desktopFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const auto match = QRegularExpression("^" + key + "=(.*)$", QRegularExpression::MultilineOption)
                           .match(QString::fromUtf8(file.readAll()));
    return match.hasMatch() ? match.captured(1).trimmed() : QString();
}

TEST(DesktopFiles, LauncherAndMetainfoValidateCleanly) {
    const auto entry = run("desktop-file-validate", {sourcePath("data/" + kAppId + ".desktop")});
    EXPECT_EQ(entry.exitCode, 0) << entry.output.toStdString();
    EXPECT_TRUE(entry.output.trimmed().isEmpty()) << entry.output.toStdString();

    const auto metainfo = run("appstreamcli", {"validate", "--no-net", "--explain",
                                               sourcePath("data/" + kAppId + ".metainfo.xml")});
    EXPECT_EQ(metainfo.exitCode, 0) << metainfo.output.toStdString();
    EXPECT_FALSE(appstreamComplains(metainfo.output)) << metainfo.output.toStdString();
}

TEST(DesktopFiles, InstallPutsProgramLauncherIconsAndMetainfoWhereTheDesktopLooks) {
    const InstalledTree tree;
    const QFileInfo program(tree.path("bin/vantorel"));
    EXPECT_TRUE(program.isFile() && program.isExecutable());
    // The remote control of the end-to-end tests lives in their own copy of the program only.
    const auto strings = run("strings", {program.filePath()});
    EXPECT_EQ(strings.exitCode, 0);
    EXPECT_FALSE(strings.output.contains("VANTOREL_TEST_CONTROL"));
    EXPECT_FALSE(strings.output.contains("TestControl"));

    const QString launcher = tree.path("share/applications/" + kAppId + ".desktop");
    ASSERT_TRUE(QFileInfo::exists(launcher));
    const QString exec = entryValue(launcher, "Exec").section(' ', 0, 0);
    EXPECT_TRUE(QFileInfo::exists(tree.path("bin/" + exec))) << "Exec=" << exec.toStdString();
    const QString icon = entryValue(launcher, "Icon");
    EXPECT_EQ(icon, kAppId);
    EXPECT_TRUE(QFileInfo::exists(tree.path("share/icons/hicolor/scalable/apps/" + icon + ".svg")));
    EXPECT_TRUE(QFileInfo::exists(
        tree.path("share/icons/hicolor/symbolic/apps/" + icon + "-symbolic.svg")));

    // The installed tree as a software centre sees it: the metainfo, its launcher and its icon.
    EXPECT_TRUE(QFileInfo::exists(tree.path("share/metainfo/" + kAppId + ".metainfo.xml")));
    const auto installed = run("appstreamcli", {"validate-tree", "--no-net", tree.prefix()});
    EXPECT_EQ(installed.exitCode, 0) << installed.output.toStdString();
    EXPECT_FALSE(appstreamComplains(installed.output)) << installed.output.toStdString();
    const auto entry = run("desktop-file-validate", {launcher});
    EXPECT_EQ(entry.exitCode, 0) << entry.output.toStdString();
}

} // namespace
} // namespace vantorel::test
