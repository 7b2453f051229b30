#pragma once

#include "metrics/HttpMessages.h"
#include "metrics/MetricsWriter.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTimer>
#include <functional>
#include <list>
#include <optional>

namespace vantorel {

class MetricsConnection;
struct HttpRequest;

// A small HTTP server for a metrics exposition: GET (or HEAD) of /metrics answers the exposition,
// in OpenMetrics when the client accepts it, else in the classic text format; / answers a short
// page linking to it; other paths 404, other methods 405. A connection is kept for more requests
// when the client asks for that, as Prometheus does scrape after scrape.
//
// Everything runs on the thread that owns it, in steps that never wait: each client is bounded
// in what it may make the server hold and for how long (see MetricsConnection), and at most
// kMaxConnections are open at once, the oldest giving way to a new one, so a crowd of idle
// clients cannot lock a scraper out for long.
//
// While the thread wakes for other work anyway, as it does for the probes several times a second,
// requests wait for its next wake, at most kQuietMs: a wake of its own cost a scrape more than all
// the work of answering it. Once the thread has been quiet that long, a request wakes it again.
// kQuietMs is longer than the pauses between the wakes of probes sent once a second, and stays
// inside the one second a scraper polling every second may allow.
class MetricsServer : public QObject {
public:
    static constexpr std::size_t kMaxConnections = 16;
    static constexpr int kQuietMs = 800;
    static constexpr int kCalmMs = 10'000;

    using Render = std::function<QByteArray(ExpositionFormat format)>;

    explicit MetricsServer(Render render);
    ~MetricsServer() override;

    // Listens on `address` and `port` (0 picks a free one); the reason when that fails.
    std::optional<QString> listen(const QHostAddress& address, quint16 port);
    quint16 port() const { return listener_.serverPort(); }

private:
    // Hands over the descriptors of accepted connections instead of sockets of Qt's own: reading
    // a request through those, with their buffers and notifiers, cost the thread more than
    // rendering and sending the answer together.
    class Listener : public QTcpServer {
    public:
        std::function<void(int descriptor)> accepted;

    private:
        void incomingConnection(qintptr descriptor) override { accepted(int(descriptor)); }
    };

    void accept(int descriptor);
    void serve();
    void serveInPassing();
    void wakeForRequests();
    void quietened();
    HttpResponse answer(const std::optional<HttpRequest>& request) const;

    const Render render_;
    // The clients' descriptors, each with its MetricsConnection: one notifier for all of them.
    const int poller_;
    QSocketNotifier ready_;
    // Runs out when the thread has not woken for other work for kQuietMs; while it runs, requests
    // wait for the thread's next wake instead of waking it.
    QTimer quiet_;
    QElapsedTimer sinceOtherWake_;
    // After a quiet, requests wake the thread until then.
    QDeadlineTimer calmUntil_{0};
    // What woke the thread this time was for the clients.
    bool wokenForClients_ = false;
    Listener listener_;
    // Oldest first; each is deleted once it has closed.
    std::list<MetricsConnection*> connections_;
};

} // namespace vantorel
