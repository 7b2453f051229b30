#pragma once

namespace vantorel {

// Turns SIGTERM and SIGINT into an ordinary quit of the main event loop, so that a session's
// logout or a Ctrl+C runs the same way out as the Quit command, with its last history commit.
// Call once, on the main thread, after the application object exists.
void quitOnTerminationSignals();

} // namespace vantorel
