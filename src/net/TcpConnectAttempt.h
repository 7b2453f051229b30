#pragma once

#include "net/ServiceResult.h"

#include <QCoroTask>
#include <QString>
#include <cstdint>

namespace vantorel {

// Connects to host:port once (the first address of either family the resolver gives for it) and
// times it on the service-probe thread from its connect() to the established connection, which is
// closed again at once. Any failure, and no connection within 3.0 s, gives an empty result; port 0
// gives "Invalid port". The awaiting task resumes on the main thread.
QCoro::Task<ServiceResult> timeTcpConnect(QString host, std::uint16_t port);

} // namespace vantorel
