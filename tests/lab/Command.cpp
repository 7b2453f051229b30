#include "lab/Command.h"

#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/prctl.h>

namespace vantorel::lab {

void reportCleanupFailure(const std::string& what) {
    ADD_FAILURE() << "lab clean-up failed: " << what;
}

std::string run(const Command& command) {
    QStringList arguments;
    for (const std::string& argument : command.arguments)
        arguments << QString::fromStdString(argument);
    QProcess process;
    // Runs in the child before exec: nothing may outlive a test that crashes or times out.
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process.start(arguments.takeFirst(), arguments);
    process.write(command.input.data(), static_cast<qint64>(command.input.size()));
    process.closeWriteChannel();
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        throw LabError("`" + (process.program() + ' ' + arguments.join(' ')).toStdString() +
                       "` failed (" + process.errorString().toStdString() + "): " +
                       process.readAllStandardError().toStdString() + "\ninput:\n" + command.input);
    return process.readAllStandardOutput().toStdString();
}

Command ip(const std::string& batch, const std::string& inNamespace) {
    if (inNamespace.empty())
        return {{"ip", "-batch", "-"}, batch};
    return {{"ip", "-netns", inNamespace, "-batch", "-"}, batch};
}

} // namespace vantorel::lab
