#include "headless/HeadlessCommandLine.h"
#include "headless/HeadlessService.h"
#include "history/SampleStore.h"
#include "platform/TerminationSignals.h"
#include "settings/Preferences.h"

#include <QCoreApplication>
#include <cstdio>

using namespace vantorel;

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    // The desktop application's organisation, so that both read the same folders.
    QCoreApplication::setOrganizationName(QStringLiteral("Vantorel"));
    QCoreApplication::setApplicationName(QStringLiteral("vantoreld"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTOREL_VERSION));
    const HeadlessOptions options = readHeadlessCommandLine(application);
    const std::vector<TargetSpec> specs = HeadlessService::targetsToRun(options);
    if (specs.empty()) {
        std::fputs("vantoreld: nothing to run: give --target, or mark targets \"Start with "
                   "Vantorel\" in the application\n",
                   stderr);
        return kUsageErrorStatus;
    }

    Preferences::instance().registerDefaults();
    const auto& history = SampleStore::shared();
    history->prune(SampleStore::kRetentionSeconds);
    history->schedulePruning(SampleStore::kRetentionSeconds, SampleStore::kPruneIntervalSeconds);
    // Taken before anything probes, so that a stop request is never the default abrupt end.
    TerminationSignals termination;
    HeadlessService service;
    if (const auto error = service.start(specs, options.metrics)) {
        std::fprintf(stderr, "vantoreld: the metrics cannot be served: %s\n", qPrintable(*error));
        return 1;
    }
    QObject::connect(&termination, &TerminationSignals::received, &application,
                     [&service] { service.stop([] { QCoreApplication::exit(0); }); });
    return application.exec();
}
