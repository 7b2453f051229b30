#include "targets/TargetSpec.h"

#include "support/QtPrinters.h"
#include "targets/TargetSpecJson.h"

#include <gtest/gtest.h>
#include <limits>

namespace vantorel {
namespace {

TargetSpec sweep(const char* start, const char* end, std::int64_t prefix = 24) {
    return {TargetKind::pingSweep, start, end, prefix};
}

TEST(TargetKind, NamesLabelsAndPositionsFollowTheFixedOrder) {
    const char* const names[] = {"hostPing", "pingSweep", "traceroute", "serviceCheck"};
    const char* const labels[] = {"Host Ping", "Ping Sweep", "Traceroute", "Service Check"};
    for (int position = 0; position < 4; ++position) {
        const TargetKind kind = allTargetKinds[std::size_t(position)];
        EXPECT_EQ(targetKindPosition(kind), position);
        EXPECT_EQ(QString(persistedName(kind)), names[position]);
        EXPECT_EQ(label(kind), labels[position]);
        EXPECT_EQ(targetKindFromPersistedName(QString(names[position])), kind);
    }
    for (const char* name : {"HostPing", "hostping", "hostPing ", "", "Host Ping"})
        EXPECT_EQ(targetKindFromPersistedName(QString(name)), std::nullopt) << name;
}

TEST(TargetSpec, HostsExpandOnlyAReadableAscendingSweepOfAtMost254Addresses) {
    const struct {
        TargetSpec spec;
        QStringList hosts;
    } cases[] = {
        {sweep("198.18.0.254", "198.18.1.001"),
         {"198.18.0.254", "198.18.0.255", "198.18.1.0", "198.18.1.1"}},
        {sweep("010.0.0.7", "10.0.0.7"), {"10.0.0.7"}},
        {sweep("10.0.0.9", "10.0.0.8"), {"10.0.0.9"}},
        {sweep("router", "10.0.0.8"), {"router"}},
        {sweep("10.0.0.1", ""), {"10.0.0.1"}},
        {{TargetKind::hostPing, "010.0.0.1", "10.0.0.5", 24}, {"010.0.0.1"}},
        {{TargetKind::serviceCheck, "https://198.18.0.1/x", "10.0.0.9", 24},
         {"https://198.18.0.1/x"}},
    };
    for (const auto& [spec, hosts] : cases)
        EXPECT_EQ(spec.hosts(), hosts) << spec.host.toStdString();

    const QStringList cut = sweep("10.0.0.1", "10.0.1.255").hosts();
    ASSERT_EQ(cut.size(), 254);
    EXPECT_EQ(cut.back(), "10.0.0.254");
    EXPECT_EQ(sweep("0.0.0.0", "255.255.255.255").hosts().size(), 254);
}

TEST(TargetSpec, ASweepIsNamedAfterItsNetworkAndEverythingElseAfterItsHost) {
    const struct {
        TargetSpec spec;
        const char* name;
    } cases[] = {
        {sweep("192.168.1.77", "192.168.1.80", 24), "192.168.1.0/24"},
        {sweep("192.168.1.10", "192.168.1.20", 24), "192.168.1.0/24"},
        {sweep("192.168.1.77", "", 32), "192.168.1.77/32"},
        {sweep("192.168.1.77", "", 16), "192.168.0.0/16"},
        {sweep("192.168.1.77", "", 8), "192.0.0.0/8"},
        {sweep("192.168.001.77", "", 30), "192.168.1.76/30"},
        {sweep("192.168.1.77", "", 7), "192.168.1.77"},
        {sweep("192.168.1.77", "", 33), "192.168.1.77"},
        {sweep("router", "", 24), "router"},
        {{TargetKind::hostPing, "010.0.0.1", "", 24}, "010.0.0.1"},
    };
    for (const auto& [spec, name] : cases)
        EXPECT_EQ(spec.displayName(), name) << spec.host.toStdString() << '/' << spec.maskPrefix;
}

TEST(TargetSpecJson, WritesTheFourMembersAndReadsBackAnyValidEncoding) {
    EXPECT_EQ(
        encodeTargetSpecs(std::vector<TargetSpec>{{TargetKind::hostPing, "198.18.0.1", "", 24},
                                                  sweep("198.18.0.1", "198.18.0.20", 27)}),
        QByteArray(R"([{"kind":"hostPing","host":"198.18.0.1","endHost":"","maskPrefix":24},)"
                   R"({"kind":"pingSweep","host":"198.18.0.1","endHost":"198.18.0.20",)"
                   R"("maskPrefix":27}])"));

    std::vector<TargetSpec> specs;
    for (const TargetKind kind : allTargetKinds)
        specs.push_back({kind, QString::fromUtf8("hôte \"x\"\\\n\t/"), "/", 24});
    specs.push_back(sweep("10.0.0.1", "10.0.0.2", std::numeric_limits<std::int64_t>::min()));
    EXPECT_EQ(decodeTargetSpecs(*encodeTargetSpecs(specs)), specs);
    EXPECT_EQ(decodeTargetSpecs("[]"), std::vector<TargetSpec>{});
    EXPECT_EQ(decodeTargetSpecs(R"([ {"maskPrefix": 24.0, "extra": [1], "endHost": "",)"
                                R"( "host": "https:\/\/lab.test", "kind": "serviceCheck"} ])"),
              (std::vector<TargetSpec>{{TargetKind::serviceCheck, "https://lab.test", "", 24}}));
}

TEST(TargetSpecJson, AnyFaultyElementFailsTheWholeList) {
    const char* const good = R"({"kind":"hostPing","host":"a","endHost":"","maskPrefix":24})";
    const char* const faulty[] = {
        R"({"kind":"hostPing","host":"h","endHost":""})",
        R"({"kind":"HostPing","host":"h","endHost":"","maskPrefix":24})",
        R"({"host":"h","endHost":"","maskPrefix":24})",
        R"({"kind":"hostPing","endHost":"","maskPrefix":24})",
        R"({"kind":"hostPing","host":"h","maskPrefix":24})",
        R"({"kind":"hostPing","host":null,"endHost":"","maskPrefix":24})",
        R"({"kind":"hostPing","host":"h","endHost":7,"maskPrefix":24})",
        R"({"kind":"hostPing","host":"h","endHost":"","maskPrefix":"24"})",
        R"({"kind":"hostPing","host":"h","endHost":"","maskPrefix":24.5})",
        R"({"kind":"hostPing","host":"h","endHost":"","maskPrefix":1e300})",
        R"("h")",
    };
    for (const char* element : faulty)
        EXPECT_EQ(decodeTargetSpecs(QByteArray("[") + good + "," + element + "]"), std::nullopt)
            << element;
    for (const char* json : {good, "", "null", R"([{"kind":"hostPing"})"})
        EXPECT_EQ(decodeTargetSpecs(json), std::nullopt) << json;
}

} // namespace
} // namespace vantorel
