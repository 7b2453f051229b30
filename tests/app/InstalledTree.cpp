#include "InstalledTree.h"

#include <QDir>
#include <QProcess>
#include <stdexcept>

namespace vantorel::test {

InstalledTree::InstalledTree()
    : folder_(QDir::tempPath() + "/vantorel-install-XXXXXX")
    , prefix_(folder_.path() + "/usr") {
    if (!folder_.isValid())
        throw std::runtime_error("cannot create a folder to install into");
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(VANTOREL_CMAKE_COMMAND, {"--install", VANTOREL_BUILD_DIR, "--prefix", prefix_});
    if (!install.waitForFinished(60000) || install.exitStatus() != QProcess::NormalExit ||
        install.exitCode() != 0)
        throw std::runtime_error("cmake --install failed: " +
                                 QString::fromLocal8Bit(install.readAll()).toStdString());
}

QString InstalledTree::path(const QString& relative) const {
    return prefix_ + "/" + relative;
}

QString sourcePath(const QString& relative) {
    return QStringLiteral(VANTOREL_SOURCE_DIR) + "/" + relative;
}

} // namespace vantorel::test
