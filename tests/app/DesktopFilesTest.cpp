#include "support/QtPrinters.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

// Exit code and output of a tool, or -1 when it did not run to its end.
std::pair<int, QString> run(const QString& program, const QStringList& arguments) {
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, arguments);
    const bool ran = tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit;
    return {ran ? tool.exitCode() : -1, QString::fromLocal8Bit(tool.readAll())};
}

// This build installed into a fresh prefix, as a package would lay it out, then judged as a
// software centre and a desktop would: the validators' errors and warnings ("E:", "W:") fail it.
TEST(DesktopFiles, InstallPutsAValidLauncherIconsAndMetainfoBesideTheProgram) {
    QTemporaryDir folder;
    const QString prefix = folder.filePath("usr");
    const QString id = "org.vantorel.Vantorel";
    const auto install =
        run(VANTOREL_CMAKE_COMMAND, {"--install", VANTOREL_BUILD_DIR, "--prefix", prefix});
    ASSERT_EQ(install.first, 0) << install.second.toStdString();

    const QString launcher = prefix + "/share/applications/" + id + ".desktop";
    const QSettings entry(launcher, QSettings::IniFormat);
    const QString exec = entry.value("Desktop Entry/Exec").toString().section(' ', 0, 0);
    EXPECT_TRUE(QFileInfo(prefix + "/bin/" + exec).isExecutable()) << exec.toStdString();
    EXPECT_EQ(entry.value("Desktop Entry/Icon").toString(), id);
    for (const QString& icon :
         {"scalable/apps/" + id + ".svg", "symbolic/apps/" + id + "-symbolic.svg"})
        EXPECT_TRUE(QFileInfo::exists(prefix + "/share/icons/hicolor/" + icon))
            << icon.toStdString();
    EXPECT_TRUE(QFileInfo::exists(prefix + "/share/metainfo/" + id + ".metainfo.xml"));

    EXPECT_EQ(run("desktop-file-validate", {launcher}), std::pair(0, QString()));
    const auto [code, output] = run("appstreamcli", {"validate-tree", "--no-net", prefix});
    EXPECT_EQ(code, 0) << output.toStdString();
    EXPECT_FALSE(
        output.contains(QRegularExpression("^\\s*[EW]: ", QRegularExpression::MultilineOption)))
        << output.toStdString();
    // The remote control of the end-to-end test lives in the tests' own copy of the program only.
    EXPECT_FALSE(
        run("strings", {prefix + "/bin/vantorel"}).second.contains("VANTOREL_TEST_CONTROL"));
}

} // namespace
} // namespace vantorel
