#pragma once

#include "metrics/ListenAddress.h"

#include <QString>
#include <memory>
#include <optional>

namespace vantorel {

class HostStore;
class MetricsServer;
class ModelMetrics;

// The metrics endpoint of a running model, off until started: counting starts with start() and
// ends with stop(), so an application that never starts it pays nothing. Lives and is used on the
// main thread, where the model is.
class MetricsEndpoint {
public:
    explicit MetricsEndpoint(HostStore& store);
    ~MetricsEndpoint();

    // Serves the store's metrics at `where`, counting afresh if it was serving already; the
    // reason when the address cannot be listened on (e.g. the port is in use), and then it stays
    // stopped.
    std::optional<QString> start(const ListenAddress& where);
    void stop();

    // The server while started, e.g. for its port.
    const MetricsServer* server() const { return server_.get(); }

private:
    HostStore& store_;
    std::unique_ptr<ModelMetrics> metrics_;
    std::unique_ptr<MetricsServer> server_;
};

} // namespace vantorel
