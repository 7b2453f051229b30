#include "JsonRoundTrip.h"
#include "targets/TargetSpecJson.h"

// The stored target list, read back from the preferences file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzzJsonRoundTrip(
        data, size, [](const QByteArray& json) { return vantorel::decodeTargetSpecs(json); },
        [](const auto& specs) { return vantorel::encodeTargetSpecs(specs); });
}
