#include "records/HopStatJson.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace vantorel {
namespace {

std::string encodedText(const std::vector<HopStat>& hops) {
    const auto text = encodeHopStats(hops);
    return text ? text->toStdString() : "<failed>";
}

TEST(HopStatJson, WritesMembersInFixedOrderAndOmitsAbsentOnes) {
    HopStat full{.number = 1, .host = "198.18.0.1", .hostname = "gw.test", .last = 1.25};
    full.rtts = {1.0, 1.25};
    const HopStat bare{.number = 2};

    EXPECT_EQ(encodedText({full, bare}),
              R"([{"number":1,"host":"198.18.0.1","hostname":"gw.test","last":1.25},)"
              R"({"number":2,"host":"*"}])");
    EXPECT_EQ(encodedText({}), "[]");
}

TEST(HopStatJson, RoundTripKeepsEverythingButTheHistory) {
    HopStat hop{.number = 30,
                .host = "198.18.255.254",
                .hostname =
                    QString::fromUtf8("r\xC3\xBC\"\\\n\x01/\xF0\x9F\x98\x80") + QChar(0xD800),
                .last = 0.1 + 0.2};
    hop.rtts = {3.0};
    const HopStat tiny{.number = -1, .host = "", .last = 5e-324};
    const HopStat large{.number = std::numeric_limits<std::int64_t>::max(), .last = -1e300};

    const auto text = encodeHopStats(std::vector{hop, tiny, large});
    ASSERT_TRUE(text.has_value());
    const auto decoded = decodeHopStats(*text);
    ASSERT_TRUE(decoded.has_value()) << text->toStdString();

    HopStat expected = hop;
    expected.rtts.clear();
    EXPECT_EQ(*decoded, (std::vector{expected, tiny, large}));
}

TEST(HopStatJson, NonFiniteLastCannotBeEncoded) {
    const HopStat finite{.number = 1, .last = 2.0};
    for (const double bad : {std::nan(""), std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity()}) {
        const HopStat hop{.number = 2, .host = "198.18.0.1", .last = bad};
        EXPECT_FALSE(encodeHopStat(hop).has_value());
        EXPECT_FALSE(encodeHopStats(std::vector{finite, hop}).has_value());
    }
}

TEST(HopStatJson, AbsentAndNullOptionalsReadAsNone) {
    const auto decoded = decodeHopStats(R"([{"number":3,"host":"198.18.0.3"},
        {"number":4.0,"host":"*","hostname":null,"last":null,"rtts":[1,2],"extra":{}}])");
    ASSERT_TRUE(decoded.has_value());
    ASSERT_EQ(decoded->size(), 2u);
    EXPECT_EQ((*decoded)[0], (HopStat{.number = 3, .host = "198.18.0.3"}));
    EXPECT_EQ((*decoded)[1], (HopStat{.number = 4, .host = "*"}));
}

TEST(HopStatJson, MalformedInputFailsTheWholePath) {
    const char* const malformed[] = {
        "",
        "null",
        "{}",
        R"({"number":1,"host":"*"})",
        "[1]",
        "[[]]",
        R"([{"number":1,"host":"*"}] trailing)",
        R"([{"number":1,"host":"*"},)",
        R"([{"host":"*"}])",
        R"([{"number":1}])",
        R"([{"number":1,"host":null}])",
        R"([{"number":1,"host":7}])",
        R"([{"number":"1","host":"*"}])",
        R"([{"number":1.5,"host":"*"}])",
        R"([{"number":1e19,"host":"*"}])",
        R"([{"number":true,"host":"*"}])",
        R"([{"number":1,"host":"*","hostname":5}])",
        R"([{"number":1,"host":"*","last":"2.0"}])",
        R"([{"number":1,"host":"*","last":[]}])",
        R"([{"number":1,"host":"*"},{"number":2,"host":false}])",
    };
    for (const char* json : malformed)
        EXPECT_FALSE(decodeHopStats(QByteArray(json)).has_value()) << json;
}

} // namespace
} // namespace vantorel
