#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class QApplication;

namespace vantorel {

class HostStore;
class MetricsSwitch;
class TrayExtra;

// The running application: the one target store of the process, the tray, and the main window,
// which the user may close (it is destroyed) and open again from the tray.
class Application : public QObject {
    Q_OBJECT

public:
    // `quit` ends the process; tests pass their own to see that it is asked for.
    explicit Application(QObject* parent = nullptr,
                         std::function<void()> quit = &Application::quitEventLoop);
    ~Application() override;

    // The program: reads the command line, makes sure it is the session's only Vantorel (or
    // hands over to the one running), launches and runs until it is quit. Returns the exit status.
    static int run(int argc, char** argv);

    // Names the process (settings and data folders, desktop file) and gives it its icon. Call
    // right after the QApplication exists, before anything reads a setting or a path.
    static void identify(QApplication& application);

    // Start-up, in this order: the setting defaults, the history pruning, the store and its
    // metrics endpoint (when switched on), the tray and the main window, shown. The alert engine
    // starts when the main window first appears. `hidden` leaves the window closed where a tray
    // (found within five seconds) can bring it back, and starts the alert engine then instead.
    void launch(bool hidden = false);

    HostStore& store() { return *store_; }
    TrayExtra* tray() const { return tray_.get(); }
    // The open main window, or null while it is closed.
    QWidget* mainWindow() const { return mainWindow_; }

    // Brings the main window to the front, building a new one when it was closed.
    void openMainWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void quitEventLoop();
    void stayHiddenOnceTrayFound(int checksLeft);
    void mainWindowDestroyed();

    std::function<void()> quit_;
    std::unique_ptr<HostStore> store_;
    // Reads the store, so it goes first.
    std::unique_ptr<MetricsSwitch> metrics_;
    std::unique_ptr<TrayExtra> tray_;
    QPointer<QWidget> mainWindow_;
    bool alertsStarted_ = false;
};

} // namespace vantorel
