#pragma once

#include "alerts/NotificationSink.h"
#include "platform/TaskHandle.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUuid>
#include <map>
#include <memory>
#include <optional>

namespace vantorel {

class HostStore;
class Target;

// Watches the store's enabled targets every few seconds and notifies when one stays unreachable,
// loses too many packets or grows too slow, and again, quietly, when that clears. The limits are
// read from the preferences at every evaluation, so changes apply without a restart.
class AlertEngine {
public:
    static constexpr double kEvaluationInterval = 5.0;

    // `evaluationInterval` is for tests that cannot wait five seconds per step; the application
    // uses the default.
    explicit AlertEngine(std::unique_ptr<NotificationSink> sink,
                         double evaluationInterval = kEvaluationInterval);
    ~AlertEngine();

    // The process's engine, posting desktop notifications; created on first use.
    static AlertEngine& shared();

    // Starts evaluating `store` once per interval, the first time one interval from now. A second
    // call changes nothing.
    void start(HostStore& store);

    // One pass over the targets; the loop's step, public for tests that step it by hand.
    void evaluate();

private:
    void notify(const Target& target, const QString& rule, bool recovery);

    std::unique_ptr<NotificationSink> sink_;
    const double evaluationInterval_;
    QPointer<HostStore> store_;
    std::optional<TaskHandle> task_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::map<QUuid, QSet<QString>> active_;
    std::map<QUuid, double> downSince_;
    bool authRequested_ = false;
};

} // namespace vantorel
