#include "targets/TargetForm.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

std::optional<QString> message(const char* text) {
    return QString::fromUtf8(text);
}

std::optional<QString> sweepMessage(const char* start, const char* end) {
    return validationMessage(TargetKind::pingSweep, QString::fromUtf8(start),
                             QString::fromUtf8(end));
}

TEST(ValidationMessage, SweepRangeOfAtMost254Addresses) {
    EXPECT_EQ(sweepMessage("10.0.0.1", "10.0.0.254"), std::nullopt);
    EXPECT_EQ(sweepMessage("10.0.0.7", "10.0.0.7"), std::nullopt);
    EXPECT_EQ(sweepMessage(" 10.0.0.1\t", "\t10.0.0.254  "), std::nullopt);
    EXPECT_EQ(sweepMessage("", ""), std::nullopt);
    EXPECT_EQ(sweepMessage("  ", "\t"), std::nullopt);

    const auto tooLarge = message("Range too large (max 254 addresses)");
    EXPECT_EQ(sweepMessage("10.0.0.1", "10.0.0.255"), tooLarge);
    EXPECT_EQ(sweepMessage("0.0.0.0", "255.255.255.255"), tooLarge);

    const auto descending = message("Start IP must be \xE2\x89\xA4 end IP");
    EXPECT_EQ(sweepMessage("10.0.0.9", "10.0.0.8"), descending);
    EXPECT_EQ(sweepMessage("10.0.1.0", "10.0.0.255"), descending);
}

TEST(ValidationMessage, SweepChecksTheStartBeforeTheEnd) {
    const auto badStart = message("Start must be a valid IPv4 address");
    const auto badEnd = message("End must be a valid IPv4 address");
    EXPECT_EQ(sweepMessage("", "10.0.0.8"), badStart);
    EXPECT_EQ(sweepMessage("router", "nonsense"), badStart);
    EXPECT_EQ(sweepMessage("10.0.0.1\n", "10.0.0.8"), badStart);
    EXPECT_EQ(sweepMessage("10.0.0.1", ""), badEnd);
    EXPECT_EQ(sweepMessage("10.0.0.1", "10.0.0"), badEnd);
}

TEST(ValidationMessage, ServiceAddressMustBeHostPortOrUrl) {
    const auto bad = message("Use host:port (TCP) or an http(s):// URL");
    for (const char* text : {"server", "server:", ":22", "a:b:22", "server:0", "server:70000"})
        EXPECT_EQ(validationMessage(TargetKind::serviceCheck, QString::fromUtf8(text), u""), bad)
            << text;
    for (const char* text : {"", "  ", "server:22", " 10.0.0.5:8080\t", "https://lab.test/x"})
        EXPECT_EQ(validationMessage(TargetKind::serviceCheck, QString::fromUtf8(text), u"x"),
                  std::nullopt)
            << text;
}

TEST(ValidationMessage, HostKindsTakeAnyText) {
    for (const TargetKind kind : {TargetKind::hostPing, TargetKind::traceroute}) {
        EXPECT_EQ(validationMessage(kind, u"", u""), std::nullopt);
        EXPECT_EQ(validationMessage(kind, u"not an address:", u"10.0.0.0"), std::nullopt);
    }
}

TEST(SpecFromForm, HostKindsNeedTextAndKeepItTrimmed) {
    EXPECT_EQ(specFromForm(TargetKind::hostPing, u"   ", u"", 24), std::nullopt);
    EXPECT_EQ(specFromForm(TargetKind::traceroute, u"", u"", 24), std::nullopt);
    EXPECT_EQ(specFromForm(TargetKind::hostPing, u"  a  ", u"10.0.0.9", 16),
              (TargetSpec{TargetKind::hostPing, "a", "", 24}));
    EXPECT_EQ(specFromForm(TargetKind::traceroute, u"\t010.0.0.1 ", u"", 30),
              (TargetSpec{TargetKind::traceroute, "010.0.0.1", "", 24}));
}

TEST(SpecFromForm, ServiceCheckNeedsAnAddressTheProbeAccepts) {
    EXPECT_EQ(specFromForm(TargetKind::serviceCheck, u" server:22 ", u"10.0.0.1", 16),
              (TargetSpec{TargetKind::serviceCheck, "server:22", "", 24}));
    EXPECT_EQ(specFromForm(TargetKind::serviceCheck, u"https://lab.test/x", u"", 24),
              (TargetSpec{TargetKind::serviceCheck, "https://lab.test/x", "", 24}));
    EXPECT_EQ(specFromForm(TargetKind::serviceCheck, u"", u"", 24), std::nullopt);
    EXPECT_EQ(specFromForm(TargetKind::serviceCheck, u"server:0", u"", 24), std::nullopt);
}

TEST(SpecFromForm, SweepKeepsItsTextsAndTheChosenPrefix) {
    EXPECT_EQ(specFromForm(TargetKind::pingSweep, u" 010.0.0.1", u"10.0.0.254 ", 27),
              (TargetSpec{TargetKind::pingSweep, "010.0.0.1", "10.0.0.254", 27}));
    EXPECT_EQ(specFromForm(TargetKind::pingSweep, u"10.0.0.1", u"10.0.0.1", 7),
              (TargetSpec{TargetKind::pingSweep, "10.0.0.1", "10.0.0.1", 7}));
    EXPECT_EQ(specFromForm(TargetKind::pingSweep, u"10.0.0.1", u"10.0.0.255", 24), std::nullopt);
    EXPECT_EQ(specFromForm(TargetKind::pingSweep, u"10.0.0.9", u"10.0.0.8", 24), std::nullopt);
    EXPECT_EQ(specFromForm(TargetKind::pingSweep, u"", u"10.0.0.8", 24), std::nullopt);
    EXPECT_EQ(specFromForm(TargetKind::pingSweep, u"10.0.0.1", u"", 24), std::nullopt);
}

} // namespace
} // namespace vantorel
