#pragma once

#include "monitor/MonitorTiming.h"
#include "targets/TargetSpec.h"

#include <QString>
#include <string>
#include <vector>

class QAbstractButton;
class QWidget;

namespace vantorel::test {

// Probes ten times a second, so health changes within a second or two.
inline constexpr MonitorTiming kFastTiming{
    .probeInterval = 0.1, .probeTimeout = 0.1, .restartDelay = 0.2, .livenessProbePause = 0.02};

TargetSpec hostPing(const std::string& address);

// Stores the target list a store reads at construction; an empty list keeps the built-in public
// resolvers out of the tests.
void storeTargetList(const std::vector<TargetSpec>& specs);

// The row widgets of a popover, in order.
std::vector<QWidget*> trayRows(QWidget& popover);
QAbstractButton& traySwitch(QWidget& row);
QString trayFigure(QWidget& row);

} // namespace vantorel::test
