#include "JsonRoundTrip.h"
#include "records/HopStatJson.h"

// Stored trace paths, read back from the history database.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzzJsonRoundTrip(
        data, size, [](const QByteArray& json) { return vantorel::decodeHopStats(json); },
        [](const auto& hops) { return vantorel::encodeHopStats(hops); });
}
