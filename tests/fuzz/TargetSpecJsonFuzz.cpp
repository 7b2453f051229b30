#include "targets/TargetSpecJson.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// The stored target list comes from a preferences file that may have been edited or damaged.
// Whatever the bytes, the decoder must answer without crashing, and whatever it accepts must
// survive being written and read again unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto specs = vantorel::decodeTargetSpecs(input);
    if (!specs)
        return 0;
    const auto encoded = vantorel::encodeTargetSpecs(*specs);
    if (!encoded)
        std::abort();
    const auto again = vantorel::decodeTargetSpecs(*encoded);
    if (!again || *again != *specs)
        std::abort();
    return 0;
}
