#include "net/HttpSession.h"

#include "platform/SerialQueue.h"

#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkRequest>

namespace vantorel {

namespace {

// Five seconds without a byte either way: as long as the slowest check period, so a hanging
// server costs one attempt and never overlaps the next.
constexpr int kTransferTimeoutMs = 5000;

// Each check must look like a first visit: a session cookie from an earlier answer could turn a
// login page into a dashboard and change the status being measured.
class DiscardingCookieJar : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::QNetworkCookieJar;

    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
};

QNetworkAccessManager* createManager() {
    Q_ASSERT(serviceNetworkQueue().isCurrent());
    // Never destroyed, like the other process-wide services: torn down with the application
    // object, it would leave Qt's network thread closing pooled TLS connections after the
    // application is gone, and Qt warns about that at every exit.
    auto* manager = new QNetworkAccessManager();
    manager->setCookieJar(new DiscardingCookieJar(manager));
    manager->setCache(nullptr);
    // A redirect is an answer in its own right: following it would time some other server and
    // report its status instead (a 301 is reported as 301).
    manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    manager->setTransferTimeout(kTransferTimeoutMs);
    // The attempt disposes of each reply itself, once it has stopped listening to it.
    manager->setAutoDeleteReplies(false);
    return manager;
}

} // namespace

SerialQueue& serviceNetworkQueue() {
    // Never destroyed, like the manager that lives on it.
    static auto* const queue = new SerialQueue(QStringLiteral("service-http"));
    return *queue;
}

QNetworkAccessManager& serviceNetworkManager() {
    static QNetworkAccessManager* const manager = createManager();
    return *manager;
}

} // namespace vantorel
