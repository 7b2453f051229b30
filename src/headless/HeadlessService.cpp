#include "headless/HeadlessService.h"

#include "alerts/AlertEngine.h"
#include "headless/LoggedAlerts.h"
#include "history/SampleStore.h"
#include "metrics/MetricsEndpoint.h"
#include "platform/SystemLog.h"
#include "targets/HostStore.h"

namespace vantorel {

std::vector<TargetSpec> HeadlessService::targetsToRun(const HeadlessOptions& options) {
    if (!options.targets.empty())
        return options.targets;
    std::optional<QString> unreadableCopy;
    std::vector<TargetSpec> specs = HostStore::storedSpecs(unreadableCopy);
    if (unreadableCopy)
        logToSystem(QStringLiteral("The stored target list could not be read; it is kept in the "
                                   "preferences as %1.")
                        .arg(*unreadableCopy));
    std::erase_if(specs, [](const TargetSpec& spec) { return !spec.startWithVantorel; });
    return specs;
}

HeadlessService::HeadlessService() = default;

HeadlessService::~HeadlessService() = default;

std::optional<QString> HeadlessService::start(const std::vector<TargetSpec>& specs,
                                              const std::optional<ListenAddress>& metrics) {
    auto store = std::make_unique<HostStore>(specs, MonitorTiming::production());
    if (metrics) {
        auto endpoint = std::make_unique<MetricsEndpoint>(*store);
        if (auto error = endpoint->start(*metrics))
            return error;
        endpoint_ = std::move(endpoint);
    }
    store_ = std::move(store);
    alerts_ = std::make_unique<AlertEngine>(std::make_unique<LoggedAlerts>());
    alerts_->start(*store_);
    return std::nullopt;
}

void HeadlessService::stop(std::function<void()> done) {
    // Nothing reads the model once it goes, and its targets stop their monitors as they go.
    endpoint_.reset();
    alerts_.reset();
    store_.reset();
    // Samples wait to be written together; commit those now. The history's queue runs its work
    // in order, so once this check has run every sample handed to it before is written.
    SampleStore::shared()->commitPending();
    SampleStore::shared()->checkSaving([done = std::move(done)](auto) { done(); });
}

} // namespace vantorel
