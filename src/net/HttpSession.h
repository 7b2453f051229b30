#pragma once

class QNetworkAccessManager;

namespace vantorel {

// The one network manager of every HTTP service check, made on first use and kept for the life
// of the application. Main thread only.
//
// Set up for measuring rather than browsing: nothing is cached or served from a cache, cookies
// are neither kept nor sent, redirects are not followed, certificates are verified, and a
// request that makes no progress for 5 s fails.
QNetworkAccessManager& serviceNetworkManager();

} // namespace vantorel
