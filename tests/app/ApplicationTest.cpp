#include "app/Application.h"

#include "history/SampleStore.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "targets/HostStore.h"
#include "targets/TargetSpecJson.h"
#include "ui/tray/TrayExtra.h"

#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <gtest/gtest.h>

using vantorel::test::spinUntil;

namespace vantorel {
namespace {

// Loopback addresses: these targets are never switched on, but if a fault switched one on, it
// would still probe nothing beyond this machine.
const std::vector<TargetSpec> kStoredTargets{{TargetKind::hostPing, "127.0.0.1", "", 24},
                                             {TargetKind::serviceCheck, "127.0.0.1:9", "", 24}};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        Preferences::instance().setValue(keys::targetsV2, *encodeTargetSpecs(kStoredTargets));
    }

    // Closing destroys the window on the next turn of the event loop.
    static void closeAndDestroy(QWidget& window) {
        window.close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    int quitRequests = 0;
    std::function<void()> countQuit = [this] { ++quitRequests; };
};

TEST_F(ApplicationTest, NamesItselfForSettingsFoldersDesktopFileAndWindowIcon) {
    EXPECT_EQ(QCoreApplication::organizationName(), "Vantorel");
    EXPECT_EQ(QCoreApplication::applicationName(), "Vantorel");
    EXPECT_EQ(QGuiApplication::desktopFileName(), "org.vantorel.Vantorel");
    EXPECT_FALSE(QGuiApplication::windowIcon().isNull());
    EXPECT_FALSE(QGuiApplication::quitOnLastWindowClosed())
        << "closing the preferences window last must not end monitoring";
    EXPECT_EQ(Preferences::instance().filePath(),
              qEnvironmentVariable("XDG_CONFIG_HOME") + "/Vantorel/Vantorel.conf");
}

TEST_F(ApplicationTest, LaunchShowsTheMainWindowOverTheStoredTargetsAllSwitchedOff) {
    Application application(nullptr, countQuit);
    application.launch();

    QWidget* window = application.mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->objectName(), "mainWindow");
    EXPECT_NE(application.tray(), nullptr);
    ASSERT_EQ(application.store().targets().size(), kStoredTargets.size());
    for (const auto& target : application.store().targets())
        EXPECT_FALSE(target->enabled());
    // Pruning at launch opened the history.
    EXPECT_TRUE(spinUntil([] { return QFileInfo::exists(SampleStore::defaultDatabaseFile()); }));
    EXPECT_EQ(quitRequests, 0);
}

TEST_F(ApplicationTest, OpenMainWindowRaisesTheOpenWindowAndBuildsANewOneAfterAClose) {
    Application application(nullptr, countQuit);
    application.launch();
    QPointer<QWidget> first = application.mainWindow();
    ASSERT_TRUE(first);

    application.openMainWindow();
    EXPECT_EQ(application.mainWindow(), first.data()) << "one main window at a time";

    closeAndDestroy(*first);
    EXPECT_TRUE(first.isNull()) << "a closed main window is gone";
    EXPECT_EQ(application.mainWindow(), nullptr);

    application.openMainWindow();
    ASSERT_NE(application.mainWindow(), nullptr);
    EXPECT_TRUE(application.mainWindow()->isVisible());
    int mainWindows = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        mainWindows += widget->objectName() == "mainWindow" ? 1 : 0;
    EXPECT_EQ(mainWindows, 1);
}

TEST_F(ApplicationTest, WithoutATrayClosingTheMainWindowQuits) {
    ASSERT_FALSE(TrayExtra::available()) << "the offscreen platform has no tray";
    {
        Application application(nullptr, countQuit);
        application.launch();
        ASSERT_NE(application.mainWindow(), nullptr);
        closeAndDestroy(*application.mainWindow());
        EXPECT_EQ(quitRequests, 1);
    }
    {
        Application application(nullptr, countQuit);
        application.launch();
    }
    EXPECT_EQ(quitRequests, 1) << "taking the application down is not the user closing it";
}

} // namespace
} // namespace vantorel
