#include "net/ServiceProbe.h"

#include "net/HttpHeadAttempt.h"
#include "net/Ipv4Text.h"
#include "net/Ipv6Text.h"
#include "net/TcpConnectAttempt.h"

namespace vantorel {

namespace {

// Spaces and tabs only: a line break inside pasted text is not something to quietly repair.
bool isBlank(QChar character) {
    return character == u'\t' || character.category() == QChar::Separator_Space;
}

QStringView trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// The rules of an unsigned decimal parse: an optional leading '+', then ASCII digits only
// (leading zeros allowed), no spaces, no sign of minus, and a value that fits 16 bits.
std::optional<std::uint16_t> parsePort(QStringView text) {
    if (text.startsWith(u'+'))
        text = text.mid(1);
    if (text.isEmpty())
        return std::nullopt;
    std::uint32_t value = 0;
    for (const QChar character : text) {
        if (character < u'0' || character > u'9')
            return std::nullopt;
        value = value * 10 + std::uint32_t(character.unicode() - u'0');
        if (value > 0xFFFF)
            return std::nullopt;
    }
    return std::uint16_t(value);
}

std::optional<ServiceProbe> parseUrl(QStringView text) {
    // Strict: text that is not already a well-formed URL is rejected rather than guessed at.
    const QUrl url(text.toString(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    return ServiceProbe(ServiceProbe::Http{url});
}

std::optional<ServiceProbe> parseHostAndPort(QStringView text) {
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon < 0)
        return std::nullopt;
    const std::optional<std::uint16_t> port = parsePort(text.mid(colon + 1));
    if (!port || *port == 0)
        return std::nullopt;
    // An IPv6 address goes in brackets, as in a URL, and is kept in its canonical form.
    const QStringView host = text.first(colon);
    if (host.startsWith(u'[') && host.endsWith(u']')) {
        const auto address = parseIPv6(host.sliced(1, host.size() - 2));
        if (!address)
            return std::nullopt;
        return ServiceProbe(ServiceProbe::Tcp{formatIPv6Qt(*address), *port});
    }
    // Any other host with a colon of its own ("::1:22", "a:b:22") is rejected: the last colon
    // alone cannot tell an IPv6 address from a typing mistake.
    if (host.isEmpty() || host.contains(u':'))
        return std::nullopt;
    return ServiceProbe(ServiceProbe::Tcp{host.toString(), *port});
}

} // namespace

std::optional<ServiceProbe> ServiceProbe::parse(QStringView text) {
    const QStringView trimmed = trimBlanks(text);
    // The scheme test ignores case, but the URL is made from the text as typed, so its path and
    // query keep their case.
    const QString lowered = trimmed.toString().toLower();
    if (lowered.startsWith(u"http://") || lowered.startsWith(u"https://"))
        return parseUrl(trimmed);
    return parseHostAndPort(trimmed);
}

QCoro::Task<ServiceResult> ServiceProbe::measure() const {
    // Not a coroutine itself: the attempt functions take their arguments by value, so the task
    // holds its own copy and `this` may go away while it runs.
    if (const Http* target = http())
        return requestUntilHead(target->url);
    const Tcp& target = *tcp();
    return timeTcpConnect(canonicalIPv4(target.host), target.port);
}

} // namespace vantorel
