#pragma once

#include <QString>
#include <QTemporaryDir>

namespace vantorel::test {

// This build installed with `cmake --install` into a fresh temporary prefix, removed afterwards.
class InstalledTree {
public:
    // Throws std::runtime_error, with what cmake said, when the install fails.
    InstalledTree();

    const QString& prefix() const { return prefix_; }
    // A path below the prefix, e.g. "bin/vantorel".
    QString path(const QString& relative) const;

private:
    QTemporaryDir folder_;
    QString prefix_;
};

// The source tree, for tests that read the files as they are checked in.
QString sourcePath(const QString& relative);

} // namespace vantorel::test
