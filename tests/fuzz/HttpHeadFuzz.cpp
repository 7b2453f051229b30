#include "metrics/HttpMessages.h"

#include <stdexcept>

// Request heads come from whoever reaches the metrics port: no bytes may make the reader step
// outside them, and what it accepts must be what the server's answers rely on.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView received(data, qsizetype(size));
    const auto length = vantorel::requestHeadLength(received);
    if (!length)
        return 0;
    if (*length > received.size() || !received.first(*length).endsWith('\n'))
        throw std::logic_error("a head that does not end in a line break");
    const auto request = vantorel::parseRequestHead(received.first(*length));
    if (!request)
        return 0;
    if (request->method.isEmpty() || request->method.contains(' ') ||
        !request->path.startsWith('/') || request->path.contains(' ') ||
        request->path.contains('?'))
        throw std::logic_error("accepted a request line that is not METHOD /PATH HTTP/1.x");
    return 0;
}
