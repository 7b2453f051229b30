#pragma once

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

// Stored JSON comes from files that may be damaged or edited by hand: whatever the bytes, the
// decoder must not crash, and what it accepts must survive being written and read again unchanged.
template <typename Decode, typename Encode>
int fuzzJsonRoundTrip(const std::uint8_t* data, std::size_t size, Decode decode, Encode encode) {
    const auto decoded =
        decode(QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!decoded)
        return 0;
    const auto encoded = encode(*decoded);
    if (!encoded || decode(*encoded) != decoded)
        std::abort();
    return 0;
}
