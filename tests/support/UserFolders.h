#pragma once

#include <QDir>
#include <QTemporaryDir>

namespace vantorel::test {

// Points HOME and the XDG folders at a fresh temporary folder, removed at exit, so that no test
// ever reads or writes a real user's settings or history. Call before anything reads them.
inline void isolateUserFolders() {
    static const QTemporaryDir root(QDir::tempPath() + "/vantorel-test-home-XXXXXX");
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        QDir(root.path()).mkpath(name);
        qputenv(name, root.filePath(name).toLocal8Bit());
    }
}

} // namespace vantorel::test
