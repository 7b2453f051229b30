#include "records/HopStat.h"

#include "records/HopStatJson.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace vantorel {
namespace {

using Rtts = std::deque<double>;

TEST(HopStat, FollowsTheNodeAnsweringAtItsTtlAndKeepsItsNewest200RoundTrips) {
    HopStat hop{.number = 3};
    hop.record("*", std::nullopt);
    EXPECT_EQ(hop, (HopStat{.number = 3, .host = "*"})) << "silence before any answer";

    hop.record("198.18.0.1", 1.0);
    hop.hostname = "a.lab";
    EXPECT_EQ(hop, (HopStat{3, "198.18.0.1", "a.lab", 1.0, Rtts{1.0}})) << "first answer";
    hop.record("*", std::nullopt);
    EXPECT_EQ(hop, (HopStat{3, "198.18.0.1", "a.lab", std::nullopt, Rtts{1.0}})) << "a timeout";
    hop.record("198.18.0.1", 2.0);
    EXPECT_EQ(hop, (HopStat{3, "198.18.0.1", "a.lab", 2.0, Rtts{1.0, 2.0}})) << "same node";
    hop.record("198.18.0.2", 7.0);
    EXPECT_EQ(hop, (HopStat{3, "198.18.0.2", std::nullopt, 7.0, Rtts{7.0}})) << "another node";
    hop.record("198.18.0.9", std::nullopt);
    EXPECT_EQ(hop, (HopStat{3, "198.18.0.9", std::nullopt, std::nullopt, Rtts{}})) << "moved";

    for (int i = 1; i <= 201; ++i)
        hop.record("198.18.0.9", i);
    ASSERT_EQ(hop.rtts.size(), 200u);
    EXPECT_EQ(std::pair(hop.rtts.front(), hop.rtts.back()), std::pair(2.0, 201.0));
}

TEST(HopStatJson, NonFiniteTimesCannotBeWrittenAndAnyMalformedHopFailsTheWholePath) {
    // UTF-8's longer forms at their first code points, and a lone surrogate.
    const std::vector odd{
        HopStat{0, QString::fromUtf16(u"\u0080\u0800\U00010000\xd800"), "a", 2.5}};
    EXPECT_EQ(decodeHopStats(encodeHopStats(odd).value_or("")), odd);
    EXPECT_EQ(encodeHopStat({.host = "\x1f😀"}), R"({"number":0,"host":"\u001f😀"})") << "escaped";
    for (const double bad : {std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(encodeHopStat({.number = 2, .last = bad}) ||
                     encodeHopStats(std::vector{HopStat{.number = 1}, HopStat{.last = -bad}}));
    EXPECT_EQ(decodeHopStats(R"([{"number":4.0,"host":"*","hostname":null,"last":null,)"
                             R"("rtts":[1,2],"extra":{}}])"),
              (std::vector{HopStat{.number = 4, .host = "*"}}));
    for (const char* json :
         {"", "null", R"({"number":1,"host":"*"})", "[1]", R"([{"number":1,"host":"*"}] trailing)",
          R"([{"host":"*"}])", R"([{"number":1}])", R"([{"number":1,"host":null}])",
          R"([{"number":"1","host":"*"}])", R"([{"number":1.5,"host":"*"}])",
          R"([{"number":1e19,"host":"*"}])", R"([{"number":true,"host":"*"}])",
          R"([{"number":1,"host":"*","hostname":5}])", R"([{"number":1,"host":"*","last":"2.0"}])",
          R"([{"number":1,"host":"*"},{"number":2,"host":false}])"})
        EXPECT_EQ(decodeHopStats(QByteArray(json)), std::nullopt) << json;
}

} // namespace
} // namespace vantorel
