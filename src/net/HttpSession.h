#pragma once

class QNetworkAccessManager;

namespace vantorel {

class SerialQueue;

// The thread of every HTTP service check, where its network manager lives and its replies arrive
// and are timed, whatever the main thread is busy with. Started on first use, never stopped.
SerialQueue& serviceNetworkQueue();

// The one network manager of every HTTP service check, made on first use and kept for the life
// of the application. On the service network queue only.
//
// Set up for measuring rather than browsing: nothing is cached or served from a cache, cookies
// are neither kept nor sent, redirects are not followed, certificates are verified, and a
// request that makes no progress for 5 s fails.
QNetworkAccessManager& serviceNetworkManager();

} // namespace vantorel
