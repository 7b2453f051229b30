#include "targets/TargetSpec.h"

#include "net/Ipv4Text.h"

#include <algorithm>

namespace vantorel {

QStringList TargetSpec::hosts() const {
    if (kind == TargetKind::pingSweep) {
        const auto start = parseIPv4(QStringView(host));
        const auto end = parseIPv4(QStringView(endHost));
        if (start && end && *end >= *start) {
            const std::uint32_t lastOffset =
                std::min<std::uint32_t>(*end - *start, maxSweepHosts - 1);
            QStringList addresses;
            addresses.reserve(qsizetype(lastOffset) + 1);
            for (std::uint32_t offset = 0; offset <= lastOffset; ++offset)
                addresses.append(formatIPv4Qt(*start + offset));
            return addresses;
        }
    }
    if (kind == TargetKind::serviceCheck)
        return {host};
    return {canonicalIPv4(host)};
}

QString TargetSpec::displayName() const {
    if (kind != TargetKind::pingSweep || maskPrefix < 8 || maskPrefix > 32)
        return host;
    const auto address = parseIPv4(QStringView(host));
    if (!address)
        return host;
    const std::uint32_t mask = ~std::uint32_t(0) << (32 - maskPrefix);
    return formatIPv4Qt(*address & mask) + u'/' + QString::number(maskPrefix);
}

bool TargetSpec::isSameTarget(const TargetSpec& other) const {
    return kind == other.kind && canonicalIPv4(displayName()) == canonicalIPv4(other.displayName());
}

} // namespace vantorel
