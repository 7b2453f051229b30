#pragma once

#include "export/ExportCommand.h"

#include <optional>

class QCoreApplication;

namespace vantorel {

struct LaunchOptions {
    // Start in the tray with the main window closed (the autostart entry's way of starting).
    bool hidden = false;
    // --export: write a target's history to standard output and end, instead of starting.
    std::optional<ExportRequest> exportRequest;
};

// Whether the arguments ask for the monitors without a window (--headless).
bool asksForHeadless(int argc, char** argv);

// Replaces this process with vantoreld from this program's own folder, passing on every argument
// but --headless, so that no code of the views runs at all. Returns only when that cannot be
// done, with the exit status to end with, having said why on stderr.
int execHeadless(int argc, char** argv);

// Whether the arguments ask only for a text (--help, --version), which is answered without
// opening the display, so that it works from any terminal.
bool asksOnlyForText(int argc, char** argv);
// Whether they ask for an export, which needs neither the display nor the session's one
// instance: it only reads the history file, also while Vantorel runs.
bool asksForExport(int argc, char** argv);

// Reads the arguments left after Qt took its own. --help and --version are printed and end the
// process with status 0; an unknown option is reported and ends it with status 1.
LaunchOptions readCommandLine(const QCoreApplication& application);

} // namespace vantorel
