#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

// IPv4 addresses are 32-bit numbers with the first dotted component most significant, so that
// numeric order is address order and subtracting two addresses counts the range between them.

// Reads exactly four dot-separated decimal components of 0..255 each. Leading zeros and a
// leading "+" are accepted (so the text need not be canonical); spaces and any other
// character are not.
std::optional<std::uint32_t> parseIPv4(std::string_view text);
std::optional<std::uint32_t> parseIPv4(QStringView text);

// The canonical dotted quad, without leading zeros.
std::string formatIPv4(std::uint32_t address);
QString formatIPv4Qt(std::uint32_t address);

// `text` in canonical form when it is an IPv4 literal ("010.1.0.7" gives "10.1.0.7"), else as it
// is. Sockets and resolvers read leading zeros as octal or refuse them, so an address typed with
// them is only ever handed on in this form.
QString canonicalIPv4(const QString& text);

} // namespace vantorel
