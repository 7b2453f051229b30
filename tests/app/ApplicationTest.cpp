#include "app/Application.h"

#include "history/SampleStore.h"
#include "history/Sqlite.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"
#include "support/Prometheus.h"
#include "support/UserFolders.h"
#include "targets/HostStore.h"
#include "targets/TargetSpecJson.h"
#include "ui/controls/FormSwitch.h"
#include "ui/preferences/PreferencesWindow.h"
#include "ui/tray/TrayExtra.h"

#include <QApplication>
#include <QPointer>
#include <gtest/gtest.h>
#include <sys/socket.h>

using namespace std::chrono_literals;

namespace vantorel {
namespace {

TEST(Application, NamesItselfForSettingsFoldersDesktopFileAndWindowIcon) {
    EXPECT_EQ((QStringList{QApplication::organizationName(), QApplication::applicationName(),
                           QApplication::desktopFileName(), Preferences::instance().filePath()}),
              (QStringList{"Vantorel", "Vantorel", "org.vantorel.Vantorel",
                           qEnvironmentVariable("XDG_CONFIG_HOME") + "/Vantorel/Vantorel.conf"}));
    EXPECT_FALSE(QGuiApplication::windowIcon().isNull());
    EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed())
        << "closing the preferences window last must not end monitoring";
}

// The history of the test's own data folder holds samples 30 days old, just over and just under
// 7 days old, and a day old; the launch keeps the last week. Offscreen there is no tray, so
// closing the main window quits; taking the application down does not count as closing it.
TEST(Application, LaunchPrunesTheHistoryThenShowsOneMainWindowOverTheStoredTargets) {
    const std::vector<TargetSpec> stored{{TargetKind::hostPing, "127.0.0.1", "", 24},
                                         {TargetKind::serviceCheck, "127.0.0.1:9", "", 24}};
    Preferences::instance().setValue(keys::targetsV2, *encodeTargetSpecs(stored));
    const QString key = "hostPing:127.0.0.1";
    const double day = 24 * 3600, now = dateNow();
    {
        const auto history = SampleStore::create(SampleStore::defaultDatabaseFile());
        for (const auto& [id, age] :
             {std::pair{1, 30 * day}, {2, 7 * day + 2}, {3, 7 * day - 2}, {4, day}})
            history->appendSample(key, {id, 1.0, now - age});
    } // written when the store goes
    ASSERT_FALSE(TrayExtra::available());
    int quitRequests = 0;
    {
        Application application(nullptr, [&] { ++quitRequests; });
        application.launch();
        std::vector<std::int64_t> kept;
        SampleStore::shared()->loadSamples(key, 0, [&](auto samples, auto) {
            std::ranges::transform(samples, std::back_inserter(kept), &PingSample::id);
        });
        ASSERT_TRUE(test::spinUntil([&] { return !kept.empty(); }));
        EXPECT_EQ(kept, (std::vector<std::int64_t>{3, 4}));
        // A sample of the last moment is on disk once the event loop ends, not lost with it.
        SampleStore::shared()->appendSample("hostPing:198.18.0.1", {5, 1.0, now});
        QMetaObject::invokeMethod(qApp, "aboutToQuit");
        QString error;
        const auto file = sqlite::Connection::open(SampleStore::defaultDatabaseFile(), error);
        auto newest = sqlite::Statement::prepare(
            file, "SELECT seq FROM samples WHERE key = 'hostPing:198.18.0.1'");
        EXPECT_TRUE(newest.stepRow() && newest.columnInt64(0) == 5);
        EXPECT_EQ(application.store().targets().size(), stored.size());

        QPointer<QWidget> first = application.mainWindow();
        ASSERT_TRUE(first && first->isVisible() && application.tray());
        first->setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
        application.openMainWindow();
        EXPECT_EQ(application.mainWindow(), first.data()) << "the open window is raised";
        EXPECT_TRUE(first->isMaximized() && !first->isMinimized()) << "restored as it was";
        first->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(first.isNull() && !application.mainWindow()) << "a closed window is gone";
        EXPECT_EQ(quitRequests, 1);
        application.openMainWindow();
        ASSERT_TRUE(application.mainWindow() && application.mainWindow()->isVisible());
        EXPECT_EQ(std::ranges::count_if(QApplication::topLevelWidgets(),
                                        [](QWidget* w) { return w->objectName() == "mainWindow"; }),
                  1);
    }
    EXPECT_EQ(quitRequests, 1);
}

// Started hidden where no tray could bring the window back, it shows the window after all.
TEST(Application, AHiddenStartWithoutATrayShowsTheWindowAnyway) {
    ASSERT_FALSE(TrayExtra::available());
    Application application(nullptr, [] {});
    application.launch(true);
    EXPECT_FALSE(application.mainWindow());
    EXPECT_TRUE(test::spinUntil([&] { return application.mainWindow(); }, 10s));
}

// Switched on before the launch, the metrics are served on the loopback at the stored port; they
// follow the port when it changes, and the preferences' switch stops and restarts them.
TEST(Application, ThePreferencesSwitchServesMetricsOnTheLoopback) {
    const quint16 first = test::unusedPort(), port = test::unusedPort();
    Preferences::instance().setValue(keys::metricsPort, first);
    Preferences::instance().setValue(keys::metricsEnabled, true);
    Application application(nullptr, [] {});
    application.launch();
    const auto serving = [](quint16 at) {
        return test::get(at, "/metrics").contains("# TYPE vantorel_target_up gauge");
    };
    const int keptAlive = test::connectTo(first); // accepted while the next line is served
    EXPECT_TRUE(serving(first));
    EXPECT_EQ(test::connectTo(first, 0x7f000002), -1) << "served on 127.0.0.1 alone";
    Preferences::instance().setValue(keys::metricsPort, port);
    EXPECT_TRUE(serving(port) && !serving(first));
    char byte;
    EXPECT_EQ(::recv(keptAlive, &byte, 1, MSG_DONTWAIT), 0) << "closed with its server";
    PreferencesWindow::showWindow();
    FormSwitch* toggle = nullptr; // the preferences window's
    for (QWidget* window : QApplication::topLevelWidgets())
        toggle = toggle ? toggle : window->findChild<FormSwitch*>(keys::metricsEnabled);
    ASSERT_TRUE(toggle);
    for (const bool on : {false, true}) {
        toggle->click();
        EXPECT_EQ(serving(port), on);
    }
    test::HttpTestServer taken; // another program's port: only the log can say so
    testing::internal::CaptureStderr();
    Preferences::instance().setValue(keys::metricsPort, taken.port());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot be served"), std::string::npos);
}

} // namespace
} // namespace vantorel

// The application's own start: named, with its icon, in folders of the test's own.
int main(int argc, char** argv) {
    vantorel::test::isolateUserFolders();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    vantorel::Application::identify(app);
    return RUN_ALL_TESTS();
}
