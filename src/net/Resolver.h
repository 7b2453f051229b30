#pragma once

#include <QString>
#include <optional>

// Blocking resolver calls. They wait as long as the system resolver takes, so they are only ever
// run through offPool, never on the main thread.
namespace vantorel {

// The address to probe for `host`, as canonical text. A literal gives itself without a lookup (an
// IPv4 one as parseIPv4 reads it, an IPv6 one with its zone). A name gives the first IPv4 address
// the system resolver has for it; a name without one gives its first IPv6 address, and so does
// any name that has one when `preferIpv6` is set.
std::optional<QString> resolve(const QString& host, bool preferIpv6);

// The first IPv4 address the system resolver gives for `host`, as dotted-quad text.
std::optional<QString> resolveIPv4(const QString& host);

// The name registered for an IPv4 or IPv6 address (a literal as SocketAddress reads it); none when
// there is no reverse entry (never the address itself) or the text is not an address.
std::optional<QString> reverseLookup(const QString& address);

} // namespace vantorel
