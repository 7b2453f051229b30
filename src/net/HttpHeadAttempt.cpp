#include "net/HttpHeadAttempt.h"

#include "net/HttpSession.h"
#include "platform/Clock.h"
#include "platform/Continuation.h"
#include "platform/SerialQueue.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <memory>
#include <utility>

namespace vantorel {

namespace {

// Statuses above this are answers, but not the service working (client and server errors).
constexpr int kHighestSuccessStatus = 399;

using RequestDone = std::function<void(ServiceResult)>;

// The reply's signals arrive on the service network queue, where the attempt starts, so the flag
// that lets only the first of them finish the attempt needs no lock.
struct Attempt {
    QNetworkReply* reply = nullptr;
    // The receiver of our connections only: cutting all of the reply's connections would also
    // cut Qt's own, among them the one that stops the transfer in the network thread.
    QObject* listener = nullptr;
    std::int64_t start = 0;
    bool finished = false;
    RequestDone done;

    void finish(ServiceResult result) {
        if (std::exchange(finished, true))
            return;
        // Whatever the reply reports from now on (the rest of the body, its end, the cancel
        // that ends it) is not part of this attempt.
        QObject::disconnect(reply, nullptr, listener, nullptr);
        // Destroying a reply that is still running stops its transfer and closes its connection.
        // abort() would do the same, but for a bodiless 4xx or 5xx answer Qt has already queued
        // its own error for the reply, and cancelling on top of that makes Qt print a warning
        // about a second error for every such check.
        reply->deleteLater();
        done(std::move(result));
    }

    ServiceResult resultOfHead() const {
        const double elapsedMs = double(monotonicNanos() - start) / 1e6;
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid())
            return {}; // an answer, but not an HTTP one: nothing to report
        const int code = status.toInt();
        return {code <= kHighestSuccessStatus ? std::optional(elapsedMs) : std::nullopt, code,
                std::nullopt};
    }

    ServiceResult resultOfFailure() const {
        // We never cancel a reply ourselves, so a cancelled one was stopped by the manager's
        // transfer timeout, which Qt words as a plain "Operation canceled".
        if (reply->error() == QNetworkReply::OperationCanceledError)
            return {std::nullopt, std::nullopt, QStringLiteral("The request timed out.")};
        return {std::nullopt, std::nullopt, reply->errorString()};
    }
};

void startRequest(const QUrl& url, RequestDone done) {
    QNetworkRequest request(url);
    // Every attempt must reach the server; an answer from a cache would time nothing.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

    auto attempt = std::make_shared<Attempt>();
    attempt->done = std::move(done);
    attempt->start = monotonicNanos();
    QNetworkReply* reply = serviceNetworkManager().get(request);
    attempt->reply = reply;
    attempt->listener = new QObject(reply);

    // The head is all a check needs: it carries the status, and it marks the moment the service
    // answered. The body can be any size (a download page, a video) and would cost time and
    // bandwidth every few seconds, so the transfer is cut off as soon as the head is in.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, attempt->listener,
                     [attempt] { attempt->finish(attempt->resultOfHead()); });
    // Reached first only when no head came: a transport failure (time-out, name, TLS, refused),
    // or an answer that Qt completed without showing its head.
    QObject::connect(reply, &QNetworkReply::finished, attempt->listener, [attempt] {
        QNetworkReply* reply = attempt->reply;
        if (reply->error() == QNetworkReply::NoError ||
            reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
            attempt->finish(attempt->resultOfHead());
        else
            attempt->finish(attempt->resultOfFailure());
    });
}

} // namespace

QCoro::Task<ServiceResult> requestUntilHead(QUrl url) {
    co_return co_await Continuation<ServiceResult>([url](auto resume) {
        // Started and timed on the network manager's own thread: a head that arrives while the
        // main thread paints is stamped when it arrives, not when the painting is done.
        serviceNetworkQueue().async([url, resume] { startRequest(url, resume); });
    });
}

} // namespace vantorel
