#include "support/SessionBusProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <csignal>
#include <stdexcept>
#include <sys/prctl.h>

namespace vantorel::test {

TestDaemonProcess::TestDaemonProcess(const QString& program, const QStringList& arguments,
                                     const QProcessEnvironment& environment, const QString& logPath,
                                     bool readsOutput)
    : program_(program)
    , logPath_(logPath)
    , process_(std::make_unique<QProcess>()) {
    process_->setProgram(program);
    process_->setArguments(arguments);
    process_->setProcessEnvironment(environment);
    if (readsOutput) {
        process_->setStandardErrorFile(logPath);
    } else {
        process_->setProcessChannelMode(QProcess::MergedChannels);
        process_->setStandardOutputFile(logPath);
    }
    // Runs in the child between fork and exec: the kernel kills it when the test process ends,
    // however that happens.
    process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_->start();
    if (!process_->waitForStarted(5000))
        throw std::runtime_error(
            (program + " cannot be started: " + process_->errorString()).toStdString());
}

TestDaemonProcess::~TestDaemonProcess() {
    if (process_->state() == QProcess::NotRunning)
        return;
    process_->terminate();
    if (!process_->waitForFinished(2000)) {
        process_->kill();
        process_->waitForFinished(2000);
    }
}

QString TestDaemonProcess::readLine(std::chrono::milliseconds limit) {
    QElapsedTimer clock;
    clock.start();
    while (!process_->canReadLine()) {
        const auto left = limit.count() - clock.elapsed();
        if (left <= 0 || process_->state() != QProcess::Running)
            throw std::runtime_error(failure(program_ + " printed no line").toStdString());
        process_->waitForReadyRead(static_cast<int>(left));
    }
    return QString::fromLocal8Bit(process_->readLine()).trimmed();
}

bool TestDaemonProcess::isRunning() const {
    return process_->state() == QProcess::Running;
}

quint32 TestDaemonProcess::pid() const {
    return static_cast<quint32>(process_->processId());
}

QString TestDaemonProcess::failure(const QString& what) const {
    QFile log(logPath_);
    const auto said = log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : "";
    return what + (said.isEmpty() ? QString() : "; it said:\n" + said);
}

} // namespace vantorel::test
