#include "metrics/HttpMessages.h"

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
    // Read in place: split into arrays, a head of a dozen lines cost as many allocations, for
    // every scrape.
    const auto nextLine = [&head] {
        const qsizetype end = head.indexOf('\n');
        const QByteArrayView line = end < 0 ? head : head.first(end);
        head = end < 0 ? QByteArrayView() : head.sliced(end + 1);
        return line.trimmed();
    };
    const QByteArrayView requestLine = nextLine();
    const qsizetype methodEnd = requestLine.indexOf(' ');
    const qsizetype targetEnd = requestLine.lastIndexOf(' ');
    if (methodEnd <= 0 || targetEnd == methodEnd)
        return std::nullopt;
    const QByteArrayView target = requestLine.sliced(methodEnd + 1, targetEnd - methodEnd - 1);
    const QByteArrayView version = requestLine.sliced(targetEnd + 1);
    if (!target.startsWith('/') || target.contains(' ') || !version.startsWith("HTTP/1."))
        return std::nullopt;
    const qsizetype query = target.indexOf('?');
    HttpRequest request{requestLine.first(methodEnd).toByteArray(),
                        target.first(query < 0 ? target.size() : query).toByteArray(),
                        {},
                        version == "HTTP/1.1"};
    while (!head.isEmpty()) {
        const QByteArrayView line = nextLine();
        const qsizetype colon = line.indexOf(':');
        const QByteArrayView name = line.first(std::max<qsizetype>(colon, 0)).trimmed();
        const QByteArrayView value = line.sliced(colon + 1).trimmed();
        if (name.compare("accept", Qt::CaseInsensitive) == 0)
            request.accept = value.toByteArray();
        else if (name.compare("connection", Qt::CaseInsensitive) == 0 &&
                 value.toByteArray().toLower().contains("close"))
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
