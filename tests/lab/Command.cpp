#include "lab/Command.h"

#include "lab/Addresses.h"

#include <QProcess>
#include <arpa/inet.h>
#include <csignal>
#include <gtest/gtest.h>
#include <sstream>
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
    std::istringstream lines(batch);
    std::string dualStack;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string twin; // the line with the twins of its IPv4 addresses and prefix lengths
        bool named = false;
        for (std::string word; words >> word; twin += word + ' ') {
            const std::size_t slash = std::min(word.find('/'), word.size());
            in_addr parsed = {};
            if (::inet_pton(AF_INET, word.substr(0, slash).c_str(), &parsed) != 1)
                continue;
            named = true;
            word =
                ipv6Twin(word.substr(0, slash)) +
                (slash < word.size() ? '/' + std::to_string(96 + std::stoi(word.substr(slash + 1)))
                                     : "");
        }
        const bool twinned =
            named && (line.starts_with("address ") || line.starts_with("route add "));
        dualStack += line + '\n' + (twinned ? twin + '\n' : "");
    }
    if (inNamespace.empty())
        return {{"ip", "-batch", "-"}, dualStack};
    return {{"ip", "-netns", inNamespace, "-batch", "-"}, dualStack};
}

} // namespace vantorel::lab
