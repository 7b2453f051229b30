#include "headless/HeadlessCommandLine.h"

#include "targets/TargetForm.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

namespace vantorel {

namespace {

const QCommandLineOption
    kindOption(QStringLiteral("kind"),
               QStringLiteral("The kind of the --target options after it: hostPing (the default), "
                              "pingSweep, traceroute or serviceCheck."),
               QStringLiteral("KIND"));
const QCommandLineOption targetOption(
    QStringLiteral("target"),
    QStringLiteral("Runs SPEC instead of the targets marked \"Start with Vantorel\"; may be "
                   "repeated. SPEC is what the add-target sheet takes: a host name or address; "
                   "for a sweep START-END or START-END/PREFIX; for a service check HOST:PORT or "
                   "an http(s):// URL."),
    QStringLiteral("SPEC"));
const QCommandLineOption metricsOption(
    QStringLiteral("metrics"),
    QStringLiteral("Serves OpenMetrics for Prometheus at http://ADDRESS:PORT/metrics; ADDRESS "
                   "is the loopback when only PORT is given."),
    QStringLiteral("ADDRESS:PORT"));

[[noreturn]] void refuse(const QString& reason) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for the options.\n",
                 qPrintable(QCoreApplication::applicationName()), qPrintable(reason),
                 qPrintable(QCoreApplication::applicationName()));
    std::exit(kUsageErrorStatus);
}

// A sweep's START-END[/PREFIX] split into the sheet's three fields.
TargetSpec sweepSpec(const QString& text) {
    const QStringList rangeAndPrefix = text.split(u'/');
    const QStringList ends = rangeAndPrefix.front().split(u'-');
    if (ends.size() != 2 || rangeAndPrefix.size() > 2)
        refuse(QStringLiteral("--target \"%1\": give a sweep as START-END or START-END/PREFIX")
                   .arg(text));
    bool isNumber = true;
    const std::int64_t prefix =
        rangeAndPrefix.size() == 2 ? rangeAndPrefix[1].toLongLong(&isNumber) : kDefaultSweepPrefix;
    if (!isNumber || prefix < kFirstSweepPrefix || prefix > kLastSweepPrefix)
        refuse(QStringLiteral("--target \"%1\": the prefix is a number from %2 to %3")
                   .arg(text)
                   .arg(kFirstSweepPrefix)
                   .arg(kLastSweepPrefix));
    if (const auto message = validationMessage(TargetKind::pingSweep, ends[0], ends[1]))
        refuse(QStringLiteral("--target \"%1\": %2").arg(text, *message));
    const auto spec = specFromForm(TargetKind::pingSweep, ends[0], ends[1], prefix);
    if (!spec)
        refuse(QStringLiteral("--target \"%1\": give both ends of the range").arg(text));
    return *spec;
}

TargetSpec targetSpec(TargetKind kind, const QString& text) {
    if (kind == TargetKind::pingSweep)
        return sweepSpec(text);
    if (const auto message = validationMessage(kind, text, {}))
        refuse(QStringLiteral("--target \"%1\": %2").arg(text, *message));
    const auto spec = specFromForm(kind, text, {}, kDefaultSweepPrefix);
    if (!spec)
        refuse(QStringLiteral("--target \"%1\": a host is needed").arg(text));
    return *spec;
}

// Each --kind applies to the --target options that follow it, so one run can mix kinds.
std::vector<TargetSpec> targetSpecs(const QCommandLineParser& parser) {
    const QStringList kinds = parser.values(kindOption), targets = parser.values(targetOption);
    std::vector<TargetSpec> specs;
    TargetKind kind = TargetKind::hostPing;
    qsizetype kindsRead = 0, targetsRead = 0;
    bool kindUsed = true;
    for (const QString& name : parser.optionNames()) {
        if (name == kindOption.names().front()) {
            const QString& text = kinds[kindsRead++];
            const auto named = targetKindFromPersistedName(text);
            if (!named)
                refuse(QStringLiteral("--kind \"%1\": use hostPing, pingSweep, traceroute or "
                                      "serviceCheck")
                           .arg(text));
            kind = *named;
            kindUsed = false;
        } else if (name == targetOption.names().front()) {
            specs.push_back(targetSpec(kind, targets[targetsRead++]));
            kindUsed = true;
        }
    }
    if (!kindUsed)
        refuse(QStringLiteral("--kind applies to the --target options after it, and none follows"));
    return specs;
}

} // namespace

HeadlessOptions readHeadlessCommandLine(const QCoreApplication& application) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs Vantorel's monitors without a window: they record to the same "
                       "history as the desktop application, alerts go to the system log and to "
                       "desktop notifications, and SIGTERM or SIGINT stops them cleanly."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({kindOption, targetOption, metricsOption});
    if (!parser.parse(application.arguments()))
        refuse(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        refuse(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments()[0]));

    HeadlessOptions options{.targets = targetSpecs(parser)};
    if (parser.isSet(metricsOption)) {
        const QString text = parser.value(metricsOption);
        options.metrics = parseListenAddress(text);
        if (!options.metrics)
            refuse(QStringLiteral("--metrics \"%1\": use PORT, ADDRESS:PORT or "
                                  "[IPV6-ADDRESS]:PORT, the address a literal")
                       .arg(text));
    }
    return options;
}

} // namespace vantorel
