#include "targets/TargetSpec.h"

#include "support/QtPrinters.h"
#include "targets/TargetForm.h"
#include "targets/TargetSpecJson.h"

#include <gtest/gtest.h>
#include <limits>

namespace vantorel {
namespace {

constexpr auto ping = TargetKind::hostPing, sweep = TargetKind::pingSweep,
               trace = TargetKind::traceroute, service = TargetKind::serviceCheck;

TEST(TargetSpec, KindsKeepTheirNamesLabelsAndPositions) {
    const char* const names[][2] = {{"hostPing", "Host Ping"},
                                    {"pingSweep", "Ping Sweep"},
                                    {"traceroute", "Traceroute"},
                                    {"serviceCheck", "Service Check"}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(targetKindPosition(allTargetKinds[i]), i);
        EXPECT_EQ(QString(persistedName(allTargetKinds[i])) + label(allTargetKinds[i]),
                  QString(names[i][0]) + names[i][1]);
    }
}

TEST(TargetSpec, HostsExpandOnlyAReadableAscendingSweepOfAtMost254Addresses) {
    EXPECT_EQ((TargetSpec{sweep, "198.18.0.254", "198.18.1.001", 24}.hosts()),
              (QStringList{"198.18.0.254", "198.18.0.255", "198.18.1.0", "198.18.1.1"}));
    EXPECT_EQ((TargetSpec{sweep, "010.0.0.7", "10.0.0.7", 24}.hosts()), QStringList{"10.0.0.7"});
    for (const TargetSpec& single :
         {TargetSpec{sweep, "10.0.0.9", "10.0.0.8", 24},
          TargetSpec{sweep, "router", "10.0.0.8", 24}, TargetSpec{sweep, "10.0.0.9", "", 24},
          TargetSpec{ping, "10.0.0.9", "10.0.0.12", 24},
          TargetSpec{service, "10.0.0.9", "10.0.0.12", 24}})
        EXPECT_EQ(single.hosts(), QStringList{single.host}) << single.endHost.toStdString();
    const QStringList cut = TargetSpec{sweep, "10.0.0.1", "10.0.1.255", 24}.hosts();
    ASSERT_EQ(cut.size(), 254);
    EXPECT_EQ(cut.back(), "10.0.0.254");
}

TEST(TargetSpec, ASweepIsNamedAfterItsNetworkAndEverythingElseAfterItsHost) {
    const auto name = [](TargetKind kind, const char* host, std::int64_t prefix) {
        return TargetSpec{kind, host, "192.168.1.80", prefix}.displayName();
    };
    EXPECT_EQ(name(sweep, "192.168.1.77", 24), "192.168.1.0/24");
    EXPECT_EQ(name(sweep, "192.168.1.77", 32), "192.168.1.77/32");
    EXPECT_EQ(name(sweep, "192.168.1.77", 16), "192.168.0.0/16");
    EXPECT_EQ(name(sweep, "192.168.001.77", 8), "192.0.0.0/8");
    EXPECT_EQ(name(sweep, "192.168.1.77", 7), "192.168.1.77");
    EXPECT_EQ(name(sweep, "192.168.1.77", 33), "192.168.1.77");
    EXPECT_EQ(name(sweep, "router", 24), "router");
    EXPECT_EQ(name(ping, "010.0.0.1", 24), "010.0.0.1");
}

TEST(TargetSpecJson, WritesTheFourMembersAndReadsBackAnyValidEncoding) {
    EXPECT_EQ(encodeTargetSpecs(std::vector<TargetSpec>{{ping, "198.18.0.1", "", 24},
                                                        {sweep, "198.18.0.1", "198.18.0.20", 27}}),
              QByteArray(R"([{"kind":"hostPing","host":"198.18.0.1","endHost":"","maskPrefix":24},)"
                         R"({"kind":"pingSweep","host":"198.18.0.1","endHost":"198.18.0.20",)"
                         R"("maskPrefix":27}])"));
    std::vector<TargetSpec> specs{{sweep, "a", "b", std::numeric_limits<std::int64_t>::min()}};
    for (const TargetKind kind : allTargetKinds)
        specs.push_back({kind, QString::fromUtf8("hôte \"x\"\\\n\t/"), "/", 24});
    EXPECT_EQ(decodeTargetSpecs(*encodeTargetSpecs(specs)), specs);
    EXPECT_EQ(decodeTargetSpecs(R"([ {"maskPrefix": 24.0, "extra": [1], "endHost": "",)"
                                R"( "host": "https:\/\/lab.test", "kind": "serviceCheck"} ])"),
              (std::vector<TargetSpec>{{service, "https://lab.test", "", 24}}));
}

TEST(TargetSpecJson, AnyFaultyElementFailsTheWholeList) {
    const char* const good = R"({"kind":"hostPing","host":"a","endHost":"","maskPrefix":24})";
    for (const char* faulty :
         {R"({"kind":"hostPing","host":"h","endHost":""})",
          R"({"kind":"HostPing","host":"h","endHost":"","maskPrefix":24})",
          R"({"host":"h","endHost":"","maskPrefix":24})",
          R"({"kind":"hostPing","host":null,"endHost":"","maskPrefix":24})",
          R"({"kind":"hostPing","host":"h","endHost":7,"maskPrefix":24})",
          R"({"kind":"hostPing","host":"h","endHost":"","maskPrefix":"24"})",
          R"({"kind":"hostPing","host":"h","endHost":"","maskPrefix":24.5})",
          R"({"kind":"hostPing","host":"h","endHost":"","maskPrefix":1e300})", R"("h")"})
        EXPECT_EQ(decodeTargetSpecs(QByteArray("[") + good + "," + faulty + "]"), std::nullopt)
            << faulty;
    EXPECT_EQ(decodeTargetSpecs(good), std::nullopt) << "not an array";
}

TEST(TargetForm, TheLiveMessageAndTheSpecTheFormWouldSubmit) {
    const auto message = [](TargetKind kind, const char* host, const char* end) {
        return validationMessage(kind, QString(host), QString(end)).value_or("");
    };
    const QString tooLarge = "Range too large (max 254 addresses)";
    EXPECT_EQ(message(sweep, " 10.0.0.1\t", "10.0.0.254 "), "");
    EXPECT_EQ(message(sweep, "  ", "\t"), "");
    EXPECT_EQ(message(sweep, "10.0.0.1", "10.0.0.255"), tooLarge);
    EXPECT_EQ(message(sweep, "0.0.0.0", "255.255.255.255"), tooLarge);
    EXPECT_EQ(message(sweep, "10.0.0.9", "10.0.0.8"),
              QString::fromUtf8("Start IP must be ≤ end IP"));
    EXPECT_EQ(message(sweep, "", "10.0.0.8"), "Start must be a valid IPv4 address");
    EXPECT_EQ(message(sweep, "10.0.0.1\n", "nonsense"), "Start must be a valid IPv4 address");
    EXPECT_EQ(message(sweep, "10.0.0.1", "10.0.0"), "End must be a valid IPv4 address");
    for (const char* bad : {"server", "server:0", "a:b:22"})
        EXPECT_EQ(message(service, bad, ""), "Use host:port (TCP) or an http(s):// URL") << bad;
    for (const char* good : {"  ", " 10.0.0.5:8080\t", "https://lab.test/x"})
        EXPECT_EQ(message(service, good, ""), "") << good;
    EXPECT_EQ(message(ping, "not an address:", "10.0.0.0") + message(trace, "", ""), "");

    const auto spec = [](TargetKind kind, const char* host, const char* end, std::int64_t prefix) {
        return specFromForm(kind, QString(host), QString(end), prefix);
    };
    EXPECT_EQ(spec(ping, "  a  ", "10.0.0.9", 16), (TargetSpec{ping, "a", "", 24}));
    EXPECT_EQ(spec(trace, "\t010.0.0.1 ", "", 30), (TargetSpec{trace, "010.0.0.1", "", 24}));
    EXPECT_EQ(spec(service, " server:22 ", "x", 16), (TargetSpec{service, "server:22", "", 24}));
    EXPECT_EQ(spec(sweep, " 010.0.0.1", "10.0.0.254 ", 27),
              (TargetSpec{sweep, "010.0.0.1", "10.0.0.254", 27}));
    for (const auto& refused :
         {spec(ping, "   ", "", 24), spec(service, "", "", 24), spec(service, "server:0", "", 24),
          spec(sweep, "10.0.0.1", "", 24), spec(sweep, "10.0.0.1", "10.0.0.255", 24),
          spec(sweep, "10.0.0.9", "10.0.0.8", 24)})
        EXPECT_EQ(refused, std::nullopt);
}

} // namespace
} // namespace vantorel
