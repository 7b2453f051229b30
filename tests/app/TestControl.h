#pragma once

#include <QObject>

class QLocalServer;
class QLocalSocket;

namespace vantorel {

class Application;

// A remote control for end-to-end tests, built only into the tests' own copy of the program
// (vantorel_under_test) and listening on the socket that VANTOREL_TEST_CONTROL names: the test asks
// where things are on screen (and clicks them as a user would), reads the state, and does what has
// no on-screen control under a bare X server (closing the window without a window manager, taking a
// picture of one window).
//
// One request per line, one reply per line: "ok[ <result>]" or "error <reason>".
//   geometry tray                     the tray icon's rectangle "x y w h" on screen
//   geometry <objectName> [index]     the index-th visible widget of that name, "x y w h"
//   visible <objectName>              "yes" or "no"
//   window                            "open" or "closed"
//   warning                           "yes" while the tray shows the warning sign
//   targets                           a JSON array of {name, enabled, health}
//   enable-all                        switches every target on, as its switch would
//   select <index>                    shows that target of the list in the main window
//   close-window / open-window        as the window manager's close button / the tray's button
//   add-target / preferences          the sheet, the preferences window
//   set <key> <value>                 writes a text preference (e.g. appearance dark)
//   grab <objectName> <file.png>      a picture of that window
class TestControl : public QObject {
    Q_OBJECT

public:
    // A child of `application`, so it lives exactly as long.
    TestControl(Application& application, const QString& socketPath);
    ~TestControl() override;

private:
    void accept();
    void serve(QLocalSocket& client);
    QString answer(const QString& request);

    Application& application_;
    QLocalServer* server_;
};

} // namespace vantorel
