#include "records/HopStatJson.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Stored trace paths come from a database file that may be damaged. Whatever the bytes, the
// decoder must answer without crashing, and whatever it accepts must survive being written
// and read again unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto hops = vantorel::decodeHopStats(input);
    if (!hops)
        return 0;
    const auto encoded = vantorel::encodeHopStats(*hops);
    if (!encoded)
        std::abort();
    const auto again = vantorel::decodeHopStats(*encoded);
    if (!again || *again != *hops)
        std::abort();
    return 0;
}
