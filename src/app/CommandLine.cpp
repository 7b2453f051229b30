#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace vantorel {

namespace {

const QCommandLineOption& hiddenOption() {
    static const QCommandLineOption option(
        QStringLiteral("hidden"),
        QStringLiteral("Start in the tray with the window closed (shown anyway without a tray)."));
    return option;
}

void describe(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        QStringLiteral("Watches hosts, routes and services, and notifies when they fail."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(hiddenOption());
}

} // namespace

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
