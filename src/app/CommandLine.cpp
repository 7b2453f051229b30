#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <algorithm>
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

const QCommandLineOption& exportOption() {
    static const QCommandLineOption option(
        QStringLiteral("export"),
        QStringLiteral("Write the stored history of <key> to standard output and exit: a history "
                       "key such as hostPing:192.0.2.1 or traceroute:example.net, or a host alone "
                       "when one kind of target has history for it."),
        QStringLiteral("key"));
    return option;
}

const QCommandLineOption& sinceOption() {
    static const QCommandLineOption option(
        QStringLiteral("since"),
        QStringLiteral("With --export: how far back, such as 90s, 15m, 1h or 7d (default 24h)."),
        QStringLiteral("duration"), QStringLiteral("24h"));
    return option;
}

const QCommandLineOption& formatOption() {
    static const QCommandLineOption option(
        QStringLiteral("format"), QStringLiteral("With --export: csv or json (default csv)."),
        QStringLiteral("format"), QStringLiteral("csv"));
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
    parser.addOption(exportOption());
    parser.addOption(sinceOption());
    parser.addOption(formatOption());
    parser.addOption(headlessOption());
}

// What the arguments ask for, before any Qt application exists; Qt's own options (-platform,
// -display …) are unknown here, and only what was found counts.
bool anySetInArguments(int argc, char** argv, const QStringList& names) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QCommandLineParser parser;
    describe(parser);
    parser.parse(arguments);
    return std::any_of(names.begin(), names.end(),
                       [&parser](const QString& name) { return parser.isSet(name); });
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
    return anySetInArguments(
        argc, argv,
        {QStringLiteral("help"), QStringLiteral("version"), QStringLiteral("help-all")});
}

bool asksForExport(int argc, char** argv) {
    return anySetInArguments(argc, argv, exportOption().names());
}

LaunchOptions readCommandLine(const QCoreApplication& application) {
    QCommandLineParser parser;
    describe(parser);
    parser.process(application);
    LaunchOptions options{.hidden = parser.isSet(hiddenOption())};
    if (parser.isSet(exportOption()))
        options.exportRequest = ExportRequest{.key = parser.value(exportOption()),
                                              .since = parser.value(sinceOption()),
                                              .format = parser.value(formatOption())};
    return options;
}

} // namespace vantorel
