#pragma once

namespace vantorel::test {

// Points HOME and the XDG folders at a fresh temporary folder (removed at exit), so that no test
// ever reads or writes a real user's settings or history. Call before anything reads them.
void isolateUserFolders();

} // namespace vantorel::test
