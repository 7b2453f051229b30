#include "metrics/MetricsEndpoint.h"

#include "metrics/MetricsServer.h"
#include "metrics/ModelMetrics.h"

namespace vantorel {

MetricsEndpoint::MetricsEndpoint(HostStore& store)
    : store_(store) {}

MetricsEndpoint::~MetricsEndpoint() {
    stop();
}

std::optional<QString> MetricsEndpoint::start(const ListenAddress& where) {
    stop();
    auto metrics = std::make_unique<ModelMetrics>(store_);
    auto server = std::make_unique<MetricsServer>(
        [model = metrics.get()](ExpositionFormat format) { return model->render(format); });
    if (auto error = server->listen(where.address, where.port))
        return error;
    metrics_ = std::move(metrics);
    server_ = std::move(server);
    return std::nullopt;
}

void MetricsEndpoint::stop() {
    // The server first: its connections may still render from the model.
    server_.reset();
    metrics_.reset();
}

} // namespace vantorel
