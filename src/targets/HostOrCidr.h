#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>
#include <variant>

// Entries of the old target list: a host, or an IPv4 block written as address "/" prefix.
namespace vantorel {

struct HostOrCidr {
    QString host;
    // 32 for a single host, 24 to 31 for a block.
    std::int64_t prefix = 32;

    bool operator==(const HostOrCidr&) const = default;
};

// Either the entry, or the message saying why the text is not one.
using HostOrCidrResult = std::variant<HostOrCidr, QString>;

// Accepts a host with no "/" or with "/32", and an IPv4 address with a prefix of 24 to 31.
HostOrCidrResult parseHostOrCidr(QStringView text);

// The first and last usable address of a block, both inclusive.
struct Ipv4Range {
    std::uint32_t first = 0;
    std::uint32_t last = 0;

    bool operator==(const Ipv4Range&) const = default;
};

// The usable addresses of the block of `host` with `prefix`: without the network and broadcast
// addresses, except in blocks of one or two addresses, which have none to spare. A prefix of 0 or
// less is the whole address space. None when `host` is not an IPv4 address or the prefix is 32
// or more.
std::optional<Ipv4Range> cidrRange(QStringView host, std::int64_t prefix);

} // namespace vantorel
