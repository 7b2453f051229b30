#include "net/Resolver.h"

#include "lab/TestResolver.h"
#include "platform/OffPool.h"
#include "platform/Task.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>

using vantorel::test::spinUntil;

namespace vantorel {
namespace {

class Resolver : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        resolver = new lab::TestResolver();
        resolver->addHost("alpha.lab", "198.18.200.10")
            .addAddresses("many.lab", {"198.18.200.21", "198.18.200.22", "198.18.200.23"})
            .addIpv6Only("six.lab", "2001:db8::6")
            .addPointer("198.18.200.30", "named-only-backwards.lab")
            .start();
    }
    static void TearDownTestSuite() { delete resolver; }
    static lab::TestResolver* resolver;
};
lab::TestResolver* Resolver::resolver = nullptr;

TEST_F(Resolver, NamesResolveToTheirFirstIpv4AddressOrToNothing) {
    EXPECT_EQ(resolveIPv4("alpha.lab"), "198.18.200.10");
    EXPECT_EQ(resolveIPv4("198.18.200.99"), "198.18.200.99") << "an address resolves to itself";
    EXPECT_FALSE(resolveIPv4("six.lab")) << "only an IPv6 address";
    EXPECT_FALSE(resolveIPv4("nowhere.lab"));
    EXPECT_FALSE(resolveIPv4(""));

    // Several addresses: the first the system resolver gives (the test server rotates them).
    for (int i = 0; i < 4; ++i) {
        const auto address = resolveIPv4("many.lab");
        ASSERT_TRUE(address);
        EXPECT_TRUE(address->startsWith("198.18.200.2")) << address->toStdString();
    }
}

TEST_F(Resolver, ReverseLookupGivesTheRegisteredNameOrNothing) {
    EXPECT_EQ(reverseLookup("198.18.200.10"), "alpha.lab");
    EXPECT_EQ(reverseLookup("198.18.200.30"), "named-only-backwards.lab");
    EXPECT_FALSE(reverseLookup("198.18.200.77")) << "never the address itself";
    EXPECT_FALSE(reverseLookup("alpha.lab"));
    EXPECT_FALSE(reverseLookup("198.18.200.10 "));
}

TEST_F(Resolver, LookupsRunOffTheMainThreadThroughThePool) {
    std::optional<QString> address;
    std::optional<QString> name;
    bool done = false;
    startTask([&](TaskHandle) -> QCoro::Task<> {
        address = co_await offPool([] { return resolveIPv4("alpha.lab"); });
        name = co_await offPool([] { return reverseLookup("198.18.200.10"); });
        done = true;
    });
    ASSERT_TRUE(spinUntil([&] { return done; }));
    EXPECT_EQ(address, "198.18.200.10");
    EXPECT_EQ(name, "alpha.lab");
}

} // namespace
} // namespace vantorel
