#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace vantorel {

namespace {

const QCommandLineOption& hiddenOption() {
    static const QCommandLineOption option(
        QStringLiteral("hidden"),
        QStringLiteral("Start in the tray with the window closed (shown anyway without a tray)."));
    return option;
}

constexpr std::string_view kHeadless = "--headless";

const QCommandLineOption& headlessOption() {
    static const QCommandLineOption option(
        QStringLiteral("headless"),
        QStringLiteral("Runs the monitors without a window, with the options that follow: the "
                       "same as vantoreld (vantorel --headless --help lists them)."));
    return option;
}

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Watches hosts, routes and services, and notifies when they fail."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(hiddenOption());
    parser.addOption(headlessOption());
}

} // namespace

bool asksForHeadless(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (argv[i] == kHeadless)
            return true;
    return false;
}

int execHeadless(int argc, char** argv) {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::string program = (self.parent_path() / "vantoreld").string();
    std::vector<char*> arguments{const_cast<char*>(program.c_str())};
    for (int i = 1; i < argc; ++i)
        if (argv[i] != kHeadless)
            arguments.push_back(argv[i]);
    arguments.push_back(nullptr);
    ::execv(program.c_str(), arguments.data());
    std::fprintf(stderr, "vantorel: cannot run %s: %s\n", program.c_str(), std::strerror(errno));
    return 127;
}

bool asksOnlyForText(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QCommandLineParser parser;
    describe(parser);
    // Qt's own options (-platform, -display …) are unknown here; only what was found counts.
    parser.parse(arguments);
    return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("version")) ||
           parser.isSet(QStringLiteral("help-all"));
}

LaunchOptions readCommandLine(const QCoreApplication& application) {
    QCommandLineParser parser;
    describe(parser);
    parser.process(application);
    return {.hidden = parser.isSet(hiddenOption())};
}

} // namespace vantorel
