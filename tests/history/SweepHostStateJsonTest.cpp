#include "history/SweepHostStateJson.h"

#include <gtest/gtest.h>
#include <limits>

namespace vantorel {
namespace {

TEST(SweepHostStateJson, WritesMembersInOrderAndLeavesAbsentOnesOut) {
    const std::vector<SweepHostState> states{
        {.host = "198.18.0.1", .alive = true, .latency = 12.5, .hostname = "a.lab"},
        {.host = "198.18.0.2"},
        {.host = "198.18.0.3", .alive = false, .hostname = "c.lab"}};
    EXPECT_EQ(encodeSweepHostStates(states),
              QByteArray(R"([{"host":"198.18.0.1","alive":true,"latency":12.5,"hostname":"a.lab"},)"
                         R"({"host":"198.18.0.2"},{"host":"198.18.0.3","alive":false,)"
                         R"("hostname":"c.lab"}])"));
    EXPECT_EQ(encodeSweepHostStates({}), QByteArray("[]"));
}

TEST(SweepHostStateJson, RoundTripsExactly) {
    const std::vector<SweepHostState> states{{.host = "198.18.0.1",
                                              .alive = true,
                                              .latency = 0.1 + 0.2,
                                              .hostname = QString::fromUtf8("hôte\"\n")},
                                             {.host = "198.18.0.2", .latency = 1e-7}};
    const auto json = encodeSweepHostStates(states);
    ASSERT_TRUE(json);
    EXPECT_EQ(decodeSweepHostStates(*json), states);
}

TEST(SweepHostStateJson, LatencyThatJsonCannotExpressFailsTheEncoding) {
    const std::vector<SweepHostState> states{
        {.host = "198.18.0.1", .latency = std::numeric_limits<double>::quiet_NaN()}};
    EXPECT_EQ(encodeSweepHostStates(states), std::nullopt);
}

TEST(SweepHostStateJson, DecodesAbsentAndNullAsNoneAndRejectsWrongTypesAsAWhole) {
    EXPECT_EQ(decodeSweepHostStates(R"([{"host":"h","alive":null,"latency":null,"hostname":null,)"
                                    R"("extra":1}])"),
              (std::vector<SweepHostState>{{.host = "h"}}));

    const char* const rejected[] = {
        R"([{"alive":true}])",
        R"([{"host":7}])",
        R"([{"host":null}])",
        R"([{"host":"h","alive":1}])",
        R"([{"host":"h","latency":"3"}])",
        R"([{"host":"h","hostname":false}])",
        R"([{"host":"h"},{"host":"g","alive":"yes"}])",
        R"([{"host":"h"},"g"])",
        R"({"host":"h"})",
        R"([{"host":"h"})",
    };
    for (const char* json : rejected)
        EXPECT_EQ(decodeSweepHostStates(json), std::nullopt) << json;
}

} // namespace
} // namespace vantorel
