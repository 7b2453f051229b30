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
    HttpRequest request{requestLine[0], requestLine[1], {}};
    if (const qsizetype query = request.path.indexOf('?'); query >= 0)
        request.path.truncate(query);
    for (const QByteArray& line : lines.sliced(1)) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.first(colon).trimmed().toLower() == "accept")
            request.accept = line.sliced(colon + 1).trimmed();
    }
    return request;
}

QByteArray httpResponse(int status, QByteArrayView reason, QByteArrayView contentType,
                        const QByteArray& body, bool withBody,
                        const std::vector<std::pair<QByteArray, QByteArray>>& headers) {
    QByteArray response =
        "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason.toByteArray() +
        "\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n";
    if (!contentType.isEmpty())
        response += "Content-Type: " + contentType.toByteArray() + "\r\n";
    for (const auto& [name, value] : headers)
        response += name + ": " + value + "\r\n";
    response += "\r\n";
    if (withBody)
        response += body;
    return response;
}

} // namespace vantorel
