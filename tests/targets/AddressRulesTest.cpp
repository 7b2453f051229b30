#include "support/QtPrinters.h"
#include "targets/HostOrCidr.h"
#include "targets/TargetForm.h"

#include <gtest/gtest.h>

namespace vantorel {

void PrintTo(const HostOrCidr& entry, std::ostream* out) {
    *out << entry.host.toStdString() << " prefix " << entry.prefix;
}

namespace {

using Message = std::optional<QString>;
const Message none;
const Message badService = QString("Use host:port (TCP) or an http(s):// URL");
const Message badStart = QString("Start must be a valid IPv4 address");
const Message badEnd = QString("End must be a valid IPv4 address");
const Message tooLarge = QString("Range too large (max 254 addresses)");
const Message descending = QString::fromUtf8("Start IP must be \u2264 end IP");

TEST(TargetForm, ValidationMessageWhileTyping) {
    const struct {
        TargetKind kind;
        const char *host, *end;
        Message message;
    } cases[] = {
        {TargetKind::pingSweep, "10.0.0.1", "10.0.0.254", none},
        {TargetKind::pingSweep, " 10.0.0.7\t", "\t10.0.0.7  ", none},
        {TargetKind::pingSweep, "  ", "\t", none},
        {TargetKind::pingSweep, "10.0.0.1", "10.0.0.255", tooLarge},
        {TargetKind::pingSweep, "0.0.0.0", "255.255.255.255", tooLarge},
        {TargetKind::pingSweep, "10.0.0.9", "10.0.0.8", descending},
        {TargetKind::pingSweep, "", "10.0.0.8", badStart},
        {TargetKind::pingSweep, "router", "nonsense", badStart},
        {TargetKind::pingSweep, "10.0.0.1\n", "10.0.0.8", badStart},
        {TargetKind::pingSweep, "10.0.0.1", "10.0.0", badEnd},
        {TargetKind::serviceCheck, "server", "", badService},
        {TargetKind::serviceCheck, "server:0", "", badService},
        {TargetKind::serviceCheck, "a:b:22", "", badService},
        {TargetKind::serviceCheck, "  ", "", none},
        {TargetKind::serviceCheck, " 10.0.0.5:8080\t", "x", none},
        {TargetKind::serviceCheck, "https://lab.test/x", "", none},
        {TargetKind::hostPing, "not an address:", "10.0.0.0", none},
        {TargetKind::traceroute, "", "", none},
    };
    for (const auto& [kind, host, end, message] : cases)
        EXPECT_EQ(validationMessage(kind, QString(host), QString(end)), message)
            << persistedName(kind).data() << " '" << host << "' '" << end << "'";
}

TEST(TargetForm, SubmittedSpecKeepsTheTrimmedTexts) {
    const struct {
        TargetKind kind;
        const char *host, *end;
        std::int64_t prefix;
        std::optional<TargetSpec> spec;
    } cases[] = {
        {TargetKind::hostPing, "  a  ", "10.0.0.9", 16,
         TargetSpec{TargetKind::hostPing, "a", "", 24}},
        {TargetKind::hostPing, "   ", "", 24, std::nullopt},
        {TargetKind::traceroute, "\t010.0.0.1 ", "", 30,
         TargetSpec{TargetKind::traceroute, "010.0.0.1", "", 24}},
        {TargetKind::serviceCheck, " server:22 ", "10.0.0.1", 16,
         TargetSpec{TargetKind::serviceCheck, "server:22", "", 24}},
        {TargetKind::serviceCheck, "", "", 24, std::nullopt},
        {TargetKind::serviceCheck, "server:0", "", 24, std::nullopt},
        {TargetKind::pingSweep, " 010.0.0.1", "10.0.0.254 ", 27,
         TargetSpec{TargetKind::pingSweep, "010.0.0.1", "10.0.0.254", 27}},
        {TargetKind::pingSweep, "10.0.0.1", "10.0.0.255", 24, std::nullopt},
        {TargetKind::pingSweep, "10.0.0.9", "10.0.0.8", 24, std::nullopt},
        {TargetKind::pingSweep, "10.0.0.1", "", 24, std::nullopt},
    };
    for (const auto& [kind, host, end, prefix, spec] : cases)
        EXPECT_EQ(specFromForm(kind, QString(host), QString(end), prefix), spec)
            << persistedName(kind).data() << " '" << host << "'";
}

// The entries of the older stored list: a host, or an IPv4 block of /24 to /32.
TEST(HostOrCidr, ParsesEntriesOfTheOlderList) {
    const auto entry = [](const char* host, std::int64_t prefix) -> HostOrCidrResult {
        return HostOrCidr{host, prefix};
    };
    const auto failure = [](const char* message) -> HostOrCidrResult {
        return QString::fromUtf8(message);
    };
    const struct {
        const char16_t* text;
        HostOrCidrResult result;
    } cases[] = {
        {u"10.0.0.0/24", entry("10.0.0.0", 24)},
        {u"  10.0.0.5 \t", entry("10.0.0.5", 32)},
        {u"router", entry("router", 32)},
        {u" router /+32 ", entry("router", 32)},
        {u"10.0.0.0/0024", entry("10.0.0.0", 24)},
        {u" \t ", failure("Enter a host or CIDR")},
        {u"  /24", failure("Missing address")},
        {u"10.0.0.0/", failure("Invalid CIDR mask")},
        {u"10.0.0.0/ 24", failure("Invalid CIDR mask")},
        {u"10.0.0.0/24/1", failure("Invalid CIDR mask")},
        {u"10.0.0.0/99999999999999999999", failure("Invalid CIDR mask")},
        {u"10.0.0.0/\u0662\u0664", failure("Invalid CIDR mask")},
        {u"10.0.0.0/23", failure("CIDR mask must be /24\u2013/32")},
        {u"10.0.0.0/33", failure("CIDR mask must be /24\u2013/32")},
        {u"10.0.0.0/-24", failure("CIDR mask must be /24\u2013/32")},
        {u"router/24", failure("Ranges require a valid IPv4 address")},
        {u"10.0.0/31", failure("Ranges require a valid IPv4 address")},
    };
    for (const auto& [text, result] : cases)
        EXPECT_EQ(parseHostOrCidr(text), result) << QString::fromUtf16(text).toStdString();
}

} // namespace
} // namespace vantorel
