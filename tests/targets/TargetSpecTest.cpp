#include "targets/TargetSpec.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

TargetSpec sweep(const char* start, const char* end, std::int64_t prefix = 24) {
    return {TargetKind::pingSweep, QString::fromLatin1(start), QString::fromLatin1(end), prefix};
}

TEST(TargetKind, NamesAndPositionsFollowTheFixedOrder) {
    const char* const names[] = {"hostPing", "pingSweep", "traceroute", "serviceCheck"};
    const char* const labels[] = {"Host Ping", "Ping Sweep", "Traceroute", "Service Check"};
    for (int position = 0; position < 4; ++position) {
        const TargetKind kind = allTargetKinds[std::size_t(position)];
        EXPECT_EQ(targetKindPosition(kind), position);
        EXPECT_EQ(QString(persistedName(kind)), QString::fromLatin1(names[position]));
        EXPECT_EQ(label(kind), QString::fromLatin1(labels[position]));
        EXPECT_EQ(targetKindFromPersistedName(QString::fromLatin1(names[position])), kind);
    }
}

TEST(TargetKind, OnlyAnExactNameNamesAKind) {
    for (const char* name : {"HostPing", "hostping", "hostPing ", " pingSweep", "", "Host Ping"})
        EXPECT_EQ(targetKindFromPersistedName(QString::fromLatin1(name)), std::nullopt) << name;
}

TEST(TargetSpecHosts, SweepListsItsRangeInCanonicalForm) {
    EXPECT_EQ(sweep("198.18.0.254", "198.18.1.001").hosts(),
              (QStringList{"198.18.0.254", "198.18.0.255", "198.18.1.0", "198.18.1.1"}));
    EXPECT_EQ(sweep("010.0.0.7", "10.0.0.7").hosts(), QStringList{"10.0.0.7"});
    EXPECT_EQ(sweep("255.255.255.254", "255.255.255.255").hosts(),
              (QStringList{"255.255.255.254", "255.255.255.255"}));
}

TEST(TargetSpecHosts, LongSweepIsCutToItsFirst254Addresses) {
    const QStringList hosts = sweep("10.0.0.1", "10.0.1.255").hosts();
    ASSERT_EQ(hosts.size(), 254);
    EXPECT_EQ(hosts.front(), "10.0.0.1");
    EXPECT_EQ(hosts.back(), "10.0.0.254");

    EXPECT_EQ(sweep("0.0.0.0", "255.255.255.255").hosts().size(), 254);
    EXPECT_EQ(sweep("10.0.0.0", "10.0.0.253").hosts().size(), 254);
}

TEST(TargetSpecHosts, AnythingButAReadableAscendingSweepIsItsHostAlone) {
    EXPECT_EQ(sweep("10.0.0.9", "10.0.0.8").hosts(), QStringList{"10.0.0.9"});
    EXPECT_EQ(sweep("router", "10.0.0.8").hosts(), QStringList{"router"});
    EXPECT_EQ(sweep("10.0.0.1", "").hosts(), QStringList{"10.0.0.1"});
    EXPECT_EQ(sweep("", "").hosts(), QStringList{""});

    const TargetSpec service{TargetKind::serviceCheck, "https://198.18.0.1/x", "10.0.0.9", 24};
    EXPECT_EQ(service.hosts(), QStringList{"https://198.18.0.1/x"});
    // Only sweeps expand, even when the other kinds carry two addresses.
    const TargetSpec ping{TargetKind::hostPing, "010.0.0.1", "10.0.0.5", 24};
    EXPECT_EQ(ping.hosts(), QStringList{"010.0.0.1"});
}

TEST(TargetSpecDisplayName, SweepIsNamedAfterItsNetwork) {
    EXPECT_EQ(sweep("192.168.1.77", "192.168.1.80", 24).displayName(), "192.168.1.0/24");
    EXPECT_EQ(sweep("192.168.1.77", "192.168.1.80", 32).displayName(), "192.168.1.77/32");
    EXPECT_EQ(sweep("192.168.1.77", "192.168.1.80", 16).displayName(), "192.168.0.0/16");
    EXPECT_EQ(sweep("192.168.1.77", "192.168.1.80", 8).displayName(), "192.0.0.0/8");
    EXPECT_EQ(sweep("192.168.001.77", "", 30).displayName(), "192.168.1.76/30");
    // The end of the range plays no part.
    EXPECT_EQ(sweep("192.168.1.10", "192.168.1.20").displayName(),
              sweep("192.168.1.30", "192.168.1.40").displayName());
}

TEST(TargetSpecDisplayName, IsTheHostOtherwise) {
    EXPECT_EQ(sweep("192.168.1.77", "192.168.1.80", 7).displayName(), "192.168.1.77");
    EXPECT_EQ(sweep("192.168.1.77", "192.168.1.80", 33).displayName(), "192.168.1.77");
    EXPECT_EQ(sweep("192.168.1.77", "192.168.1.80", -24).displayName(), "192.168.1.77");
    EXPECT_EQ(sweep("router", "", 24).displayName(), "router");
    const TargetSpec ping{TargetKind::hostPing, "010.0.0.1", "", 24};
    EXPECT_EQ(ping.displayName(), "010.0.0.1");
}

} // namespace
} // namespace vantorel
