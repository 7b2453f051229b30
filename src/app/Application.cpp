#include "app/Application.h"

#include "alerts/AlertEngine.h"
#include "app/CommandLine.h"
#include "app/MetricsSwitch.h"
#include "app/SingleInstance.h"
#include "history/SampleStore.h"
#include "platform/TerminationSignals.h"
#include "settings/Preferences.h"
#include "targets/HostStore.h"
#include "ui/controls/Icons.h"
#include "ui/tray/TrayExtra.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QTimer>

// Resources of a static library are registered only when asked for by name.
static void registerIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace vantorel {

namespace {

constexpr int kTrayChecks = 20;
constexpr std::chrono::milliseconds kTrayCheckInterval{250};

// Window managers pick the size they need from the sizes an icon lists.
QIcon applicationIcon() {
    const QIcon drawing = icons::image(QStringLiteral("AppMark"));
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(drawing.pixmap(QSize(side, side)));
    return icon;
}

void nameApplication() {
    QCoreApplication::setOrganizationName(QStringLiteral("Vantorel"));
    QCoreApplication::setApplicationName(QStringLiteral("Vantorel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTOREL_VERSION));
}

} // namespace

Application::Application(QObject* parent, std::function<void()> quit)
    : QObject(parent)
    , quit_(std::move(quit)) {}

Application::~Application() {
    if (mainWindow_) {
        disconnect(mainWindow_, nullptr, this, nullptr);
        delete mainWindow_.data();
    }
}

void Application::quitEventLoop() {
    QApplication::quit();
}

int Application::run(int argc, char** argv) {
    if (asksForHeadless(argc, argv))
        return execHeadless(argc, argv);
    if (asksOnlyForText(argc, argv) || asksForExport(argc, argv)) {
        QCoreApplication textOnly(argc, argv);
        nameApplication();
        const LaunchOptions options = readCommandLine(textOnly); // prints and exits for a text
        return runExport(*options.exportRequest, SampleStore::defaultDatabaseFile(), dateNow(),
                         stdout, stderr);
    }
    QApplication qtApplication(argc, argv);
    identify(qtApplication);
    // A signal to end runs the same way out as the Quit command, with its last history commit.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::received, &qtApplication,
                     &QCoreApplication::quit);
    const LaunchOptions options = readCommandLine(qtApplication);
    // Before anything opens the history or reads the target list: a second process must not
    // touch either.
    SingleInstance instance;
    if (!instance.claim())
        return 0;
    // A child of the QApplication, like every other process-wide object, so that it can be found
    // from the application object.
    Application application(&qtApplication);
    connect(&instance, &SingleInstance::activationRequested, &application,
            &Application::openMainWindow);
    application.launch(options.hidden);
    return qtApplication.exec();
}

void Application::identify(QApplication& application) {
    registerIconResources();
    nameApplication();
    application.setDesktopFileName(QStringLiteral(VANTOREL_APP_ID));
    application.setWindowIcon(applicationIcon());
    // The tray keeps the process alive; where there is none, closing the main window quits
    // (see mainWindowDestroyed), so no other window closing ever ends monitoring by surprise.
    application.setQuitOnLastWindowClosed(false);
}

void Application::launch(bool hidden) {
    Preferences::instance().registerDefaults();
    const auto& history = SampleStore::shared();
    history->prune(SampleStore::kRetentionSeconds);
    history->schedulePruning(SampleStore::kRetentionSeconds, SampleStore::kPruneIntervalSeconds);
    // The store outlives the event loop, whose end is the last chance to commit the samples of
    // the last moments; a signal to end arrives here as a quit too.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [] { SampleStore::shared()->flush(); });
    store_ = std::make_unique<HostStore>();
    metrics_ = std::make_unique<MetricsSwitch>(*store_);
    tray_ = std::make_unique<TrayExtra>(*store_, [this] { openMainWindow(); });
    if (hidden)
        stayHiddenOnceTrayFound(kTrayChecks);
    else
        openMainWindow();
}

void Application::stayHiddenOnceTrayFound(int checksLeft) {
    if (TrayExtra::available()) {
        // No window will appear to start the alert engine.
        alertsStarted_ = true;
        AlertEngine::shared().start(*store_);
        return;
    }
    // A panel started with the session may come up after the programs it starts, so the tray
    // gets a few seconds; without one, nothing could bring a hidden window back.
    if (checksLeft == 0) {
        openMainWindow();
        return;
    }
    QTimer::singleShot(kTrayCheckInterval, this,
                       [this, checksLeft] { stayHiddenOnceTrayFound(checksLeft - 1); });
}

void Application::openMainWindow() {
    if (!mainWindow_) {
        auto* window = new MainWindow(*store_);
        window->installEventFilter(this);
        connect(window, &QObject::destroyed, this, &Application::mainWindowDestroyed);
        mainWindow_ = window;
    }
    // Only the minimized state goes: showNormal() would also undo the user's maximizing.
    mainWindow_->setWindowState(mainWindow_->windowState() & ~Qt::WindowMinimized);
    mainWindow_->show();
    mainWindow_->raise();
    mainWindow_->activateWindow();
}

bool Application::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched == mainWindow_ && !alertsStarted_) {
        alertsStarted_ = true;
        AlertEngine::shared().start(*store_);
    }
    return QObject::eventFilter(watched, event);
}

void Application::mainWindowDestroyed() {
    // Decided now rather than at start-up: a panel may have appeared or gone since.
    if (!TrayExtra::available())
        quit_();
}

} // namespace vantorel
