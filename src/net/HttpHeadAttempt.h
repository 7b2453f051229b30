#pragma once

#include "net/ServiceResult.h"

#include <QCoroTask>
#include <QUrl>

namespace vantorel {

// GETs `url` once through the shared service network manager and times it, on that manager's
// thread, from the start to the arrival of the response head; the body is never downloaded. Status
// s gives the RTT when s <= 399 and s itself either way; a transport failure gives only its
// readable reason; a head without an HTTP status gives nothing. The awaiting task resumes on the
// main thread.
QCoro::Task<ServiceResult> requestUntilHead(QUrl url);

} // namespace vantorel
