#include "metrics/HttpMessages.h"

#include <QList>

namespace vantorel {

std::optional<qsizetype> requestHeadLength(QByteArrayView buffer) {
    // Lines end in CRLF, but a bare LF is accepted as well, as servers commonly do.
    for (qsizetype at = buffer.indexOf('\n'); at >= 0; at = buffer.indexOf('\n', at + 1)) {
        const qsizetype next = at + 1;
        if (buffer.sliced(next).startsWith("\r\n"))
            return next + 2;
        if (buffer.sliced(next).startsWith("\n"))
            return next + 1;
    }
    return std::nullopt;
}

std::optional<HttpRequest> parseRequestHead(QByteArrayView head) {
    const QList<QByteArray> lines = head.toByteArray().split('\n');
    const QList<QByteArray> requestLine = lines.front().trimmed().split(' ');
    if (requestLine.size() != 3 || requestLine[0].isEmpty() || !requestLine[1].startsWith('/') ||
        !requestLine[2].startsWith("HTTP/1."))
        return std::nullopt;
    HttpRequest request{requestLine[0], requestLine[1], {}, requestLine[2] == "HTTP/1.1"};
    if (const qsizetype query = request.path.indexOf('?'); query >= 0)
        request.path.truncate(query);
    for (const QByteArray& line : lines.sliced(1)) {
        const qsizetype colon = line.indexOf(':');
        const QByteArray name = line.first(std::max<qsizetype>(colon, 0)).trimmed().toLower();
        const QByteArray value = line.sliced(colon + 1).trimmed();
        if (name == "accept")
            request.accept = value;
        else if (name == "connection" && value.toLower().contains("close"))
            request.keepAlive = false;
    }
    return request;
}

HttpResponse httpResponse(int status, QByteArrayView reason, bool keepAlive,
                          QByteArrayView contentType, const QByteArray& body, bool withBody,
                          const std::vector<std::pair<QByteArray, QByteArray>>& headers) {
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason.toByteArray() +
                      "\r\n" + (keepAlive ? "" : "Connection: close\r\n") +
                      "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    if (!contentType.isEmpty())
        head += "Content-Type: " + contentType.toByteArray() + "\r\n";
    for (const auto& [name, value] : headers)
        head += name + ": " + value + "\r\n";
    head += "\r\n";
    return {std::move(head), withBody ? body : QByteArray()};
}

} // namespace vantorel
