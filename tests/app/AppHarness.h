#pragma once

#include "targets/TargetSpec.h"

#include <QProcessEnvironment>
#include <QString>
#include <vector>

namespace vantorel::test {

class SessionBus;
class XSession;

// The environment of a fresh user account under `home`: its own HOME and XDG folders (created),
// the private X display and session bus, and the X11 platform plugin, so that the program run
// with it never reads or writes a real user's settings, history or desktop.
QProcessEnvironment userEnvironment(const QString& home, const XSession& x, const SessionBus& bus);

// The settings file the program reads under that home.
QString settingsPath(const QString& home);

// Stores `targets` as the saved target list, as the program itself would have left it.
void writeTargetList(const QString& home, const std::vector<TargetSpec>& targets);

} // namespace vantorel::test
