#include "targets/TargetSpecJson.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <limits>

namespace vantorel {
namespace {

TEST(TargetSpecJson, WritesTheFourMembersInOrder) {
    const std::vector<TargetSpec> specs{{TargetKind::hostPing, "198.18.0.1", "", 24},
                                        {TargetKind::pingSweep, "198.18.0.1", "198.18.0.20", 27},
                                        {TargetKind::serviceCheck, "https://lab.test/a/b", "", 24}};
    EXPECT_EQ(encodeTargetSpecs(specs),
              QByteArray(R"([{"kind":"hostPing","host":"198.18.0.1","endHost":"","maskPrefix":24},)"
                         R"({"kind":"pingSweep","host":"198.18.0.1","endHost":"198.18.0.20",)"
                         R"("maskPrefix":27},{"kind":"serviceCheck","host":"https://lab.test/a/b",)"
                         R"("endHost":"","maskPrefix":24}])"));
    EXPECT_EQ(encodeTargetSpecs({}), QByteArray("[]"));
}

TEST(TargetSpecJson, RoundTripsEveryKindAndAwkwardText) {
    std::vector<TargetSpec> specs;
    for (const TargetKind kind : allTargetKinds)
        specs.push_back({kind, QString::fromUtf8("hôte \"x\"\\\n\t"), "/", 24});
    specs.push_back(
        {TargetKind::pingSweep, "10.0.0.1", "10.0.0.2", std::numeric_limits<std::int64_t>::min()});
    specs.push_back({TargetKind::pingSweep, "10.0.0.1", "10.0.0.2", -1});
    const auto json = encodeTargetSpecs(specs);
    ASSERT_TRUE(json);
    EXPECT_EQ(decodeTargetSpecs(*json), specs);
}

TEST(TargetSpecJson, ReadsAnyMemberOrderEscapesAndExtraMembers) {
    EXPECT_EQ(
        decodeTargetSpecs(R"([ {"maskPrefix": 24.0, "extra": [1], "endHost": "",)"
                          R"( "host": "https:\/\/lab.test\u002fx", "kind": "serviceCheck"} ])"),
        (std::vector<TargetSpec>{{TargetKind::serviceCheck, "https://lab.test/x", "", 24}}));
    EXPECT_EQ(decodeTargetSpecs("[]"), std::vector<TargetSpec>{});
}

TEST(TargetSpecJson, AnyFaultyElementFailsTheWholeList) {
    const char* const rejected[] = {
        R"([{"kind":"hostPing","host":"h","endHost":""}])",
        R"([{"kind":"HostPing","host":"h","endHost":"","maskPrefix":24}])",
        R"([{"kind":"ping","host":"h","endHost":"","maskPrefix":24}])",
        R"([{"host":"h","endHost":"","maskPrefix":24}])",
        R"([{"kind":"hostPing","endHost":"","maskPrefix":24}])",
        R"([{"kind":"hostPing","host":"h","maskPrefix":24}])",
        R"([{"kind":0,"host":"h","endHost":"","maskPrefix":24}])",
        R"([{"kind":"hostPing","host":null,"endHost":"","maskPrefix":24}])",
        R"([{"kind":"hostPing","host":"h","endHost":7,"maskPrefix":24}])",
        R"([{"kind":"hostPing","host":"h","endHost":"","maskPrefix":"24"}])",
        R"([{"kind":"hostPing","host":"h","endHost":"","maskPrefix":24.5}])",
        R"([{"kind":"hostPing","host":"h","endHost":"","maskPrefix":null}])",
        R"([{"kind":"hostPing","host":"h","endHost":"","maskPrefix":1e300}])",
        (R"([{"kind":"hostPing","host":"a","endHost":"","maskPrefix":24},)"
         R"({"kind":"hostPing","host":"b","endHost":""}])"),
        R"([{"kind":"hostPing","host":"h","endHost":"","maskPrefix":24},"h"])",
        R"({"kind":"hostPing","host":"h","endHost":"","maskPrefix":24})",
        R"([{"kind":"hostPing","host":"h","endHost":"","maskPrefix":24})",
        "",
        "null",
    };
    for (const char* json : rejected)
        EXPECT_EQ(decodeTargetSpecs(json), std::nullopt) << json;
}

} // namespace
} // namespace vantorel
