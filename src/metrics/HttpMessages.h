#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <optional>
#include <utility>
#include <vector>

namespace vantorel {

// What the metrics server needs of a request.
struct HttpRequest {
    QByteArray method;
    // Without the query.
    QByteArray path;
    QByteArray accept;
    // HTTP/1.1 without `Connection: close`: the client will send its next request on this
    // connection (Prometheus does, scrape after scrape).
    bool keepAlive = false;
};

// The length of the request head at the start of `buffer`, up to and including the empty line
// that ends it; none while that line has not arrived.
std::optional<qsizetype> requestHeadLength(QByteArrayView buffer);

// The request of a complete head; none when its request line is not `METHOD TARGET HTTP/1.x`.
std::optional<HttpRequest> parseRequestHead(QByteArrayView head);

// A response: the status line and headers, then the body, which is left shared with whoever made
// it until it is copied out behind its head.
struct HttpResponse {
    QByteArray head;
    QByteArray body;
};

// A complete response, announcing the close unless `keepAlive`; the body is left out for a HEAD
// request (`withBody` false) while its length is still announced.
HttpResponse httpResponse(int status, QByteArrayView reason, bool keepAlive = false,
                          QByteArrayView contentType = {}, const QByteArray& body = {},
                          bool withBody = true,
                          const std::vector<std::pair<QByteArray, QByteArray>>& headers = {});

} // namespace vantorel
