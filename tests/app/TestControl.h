#pragma once

#include <QObject>

class QLocalServer;

namespace vantorel {

class Application;

// The remote control of the tests' own copy of the program (vantorel_under_test), listening on the
// socket VANTOREL_TEST_CONTROL names: the end-to-end test and the idle-cost benchmark ask where
// things are on screen (to click them as a user would), read the state, and do what a bare X
// server has no control for. One request a line, one reply a line: "ok[ <result>]" or "error ...".
//   geometry tray | geometry <objectName> [index]   "x y w h" on screen (of the index-th visible)
//   visible <objectName>, warning                   "yes" or "no" (the tray's warning sign)
//   window                                          "open" or "closed"
//   targets                                         a JSON array of {name, enabled, health}
//   enable-all, select <index>, close-window        as the user's switches, card and close button
//   grab <objectName> <file.png>                    a picture of that widget's window
class TestControl : public QObject {
public:
    // A child of `application`, so it lives exactly as long.
    TestControl(Application& application, const QString& socketPath);

private:
    QString answer(const QString& request);

    Application& application_;
    QLocalServer* server_;
};

} // namespace vantorel
