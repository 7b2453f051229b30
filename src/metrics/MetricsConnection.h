#pragma once

#include "metrics/HttpMessages.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>

namespace vantorel {

// One client of the metrics server, from its connection to the close: collects a request head
// within a size and a time limit and sends the response; then closes or, when the client keeps
// the connection, takes its next request once that response is out. A client that sends more,
// or too slowly, or reads too slowly, is cut off; nothing it does makes this hold more than one
// head and one response, or wait.
class MetricsConnection : public QObject {
    Q_OBJECT

public:
    static constexpr qsizetype kMaxHeadBytes = 8 * 1024;
    // From the connection to the end of the first request head: the whole head, not each byte,
    // so a client trickling it byte by byte is cut off as surely as an idle one.
    static constexpr int kHeadTimeoutMs = 5'000;
    // From the end of a head until the client has taken the whole response and, on a kept
    // connection, sent its next head.
    static constexpr int kResponseTimeoutMs = 10'000;

    using Answer = std::function<HttpResponse(const std::optional<HttpRequest>& request)>;

    // Takes over the connected `descriptor` and has `poller`, an epoll set, watch it. `answer`
    // makes the response to a complete head (none when it cannot be read).
    MetricsConnection(int descriptor, int poller, Answer answer);
    ~MetricsConnection() override;

    // Ends the connection at once.
    void close();
    // Takes up what the poller found ready: a request that came, or room for the rest of a
    // response.
    void serve();
    // A response is going out and waits for room to send the rest.
    bool sending() const { return !unsent_.isEmpty(); }

Q_SIGNALS:
    // Once, when the connection is over; the receiver may delete it later.
    void closed();

private:
    // Closes the descriptor, and takes this out of the poller's set, without a word.
    void release();
    void expire();
    void readHead();
    void respond(const HttpResponse& response, bool keepAlive);
    void sendRest();
    void responseSent();
    void watch(std::uint32_t events);

    const int descriptor_;
    const int poller_;
    const Answer answer_;
    QTimer deadline_;
    QByteArray head_;
    // What the kernel did not yet take of the response going out.
    QByteArray unsent_;
    // The last response is going out, and the connection closes once the kernel has it.
    bool finishing_ = false;
    bool closing_ = false;
};

} // namespace vantorel
