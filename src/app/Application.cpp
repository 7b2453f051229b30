#include "app/Application.h"

#include "alerts/AlertEngine.h"
#include "history/SampleStore.h"
#include "settings/Preferences.h"
#include "targets/HostStore.h"
#include "ui/controls/Icons.h"
#include "ui/tray/TrayExtra.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>

// Resources of a static library are registered only when asked for by name.
static void registerIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace vantorel {

namespace {

constexpr double kHistoryRetentionSeconds = 7 * 24 * 3600;
constexpr double kPruneIntervalSeconds = 6 * 3600;

// Window managers pick the size they need from the sizes an icon lists.
QIcon applicationIcon() {
    const QIcon drawing = icons::image(QStringLiteral("AppMark"));
    QIcon icon;
    for (const int side : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(drawing.pixmap(QSize(side, side)));
    return icon;
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

void Application::identify(QApplication& application) {
    registerIconResources();
    application.setOrganizationName(QStringLiteral("Vantorel"));
    application.setApplicationName(QStringLiteral("Vantorel"));
    application.setDesktopFileName(QStringLiteral(VANTOREL_APP_ID));
    application.setWindowIcon(applicationIcon());
    // The tray keeps the process alive; where there is none, closing the main window quits
    // (see mainWindowDestroyed), so no other window closing ever ends monitoring by surprise.
    application.setQuitOnLastWindowClosed(false);
}

void Application::launch() {
    Preferences::instance().registerDefaults();
    const auto& history = SampleStore::shared();
    history->prune(kHistoryRetentionSeconds);
    history->schedulePruning(kHistoryRetentionSeconds, kPruneIntervalSeconds);
    // The store outlives the event loop, whose end is the last chance to commit the samples of
    // the last moments; a signal to end arrives here as a quit too.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [] { SampleStore::shared()->flush(); });
    store_ = std::make_unique<HostStore>();
    tray_ = std::make_unique<TrayExtra>(*store_, [this] { openMainWindow(); });
    openMainWindow();
}

void Application::openMainWindow() {
    if (!mainWindow_) {
        auto* window = new MainWindow(*store_);
        window->installEventFilter(this);
        connect(window, &QObject::destroyed, this, &Application::mainWindowDestroyed);
        mainWindow_ = window;
    }
    if (mainWindow_->isMinimized())
        mainWindow_->showNormal();
    else
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
