#pragma once

#include <QString>
#include <optional>

// Blocking resolver calls. They wait as long as the system resolver takes, so they are only ever
// run through offPool, never on the main thread.
namespace vantorel {

// The first IPv4 address the system resolver gives for `host`, as dotted-quad text.
std::optional<QString> resolveIPv4(const QString& host);

// The name registered for a dotted-quad address; none when there is no reverse entry (never the
// address itself) or the text is not an address.
std::optional<QString> reverseLookup(const QString& address);

} // namespace vantorel
