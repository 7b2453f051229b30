#include "net/Ipv6Text.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <stdexcept>

// Addresses are typed by users and read from stored lists: no text may crash the parser, and
// without a zone it must agree with the system's own parser, inet_pton, on what is an address and
// which; canonical text must read back the same and match inet_ntop's, whose only other form is
// the deprecated IPv4-compatible "::a.b.c.d".
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto parsed = vantorel::parseIPv6(std::string_view(text));
    if (text.find_first_of(std::string("%\0", 2)) == std::string::npos) {
        in6_addr system{};
        const bool accepted = inet_pton(AF_INET6, text.c_str(), &system) == 1;
        if (accepted != parsed.has_value() ||
            (accepted && std::memcmp(parsed->bytes.data(), &system, 16) != 0))
            throw std::logic_error("parseIPv6 and inet_pton disagree on \"" + text + '"');
    }
    if (!parsed)
        return 0;
    const std::string canonical = vantorel::formatIPv6(*parsed);
    if (vantorel::parseIPv6(std::string_view(canonical)) != parsed)
        throw std::logic_error("\"" + canonical + "\" does not read back");
    char system[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, parsed->bytes.data(), system, sizeof system);
    const bool compatible =
        std::all_of(parsed->bytes.begin(), parsed->bytes.begin() + 12, [](auto b) { return !b; }) &&
        (parsed->bytes[12] || parsed->bytes[13]);
    if (parsed->zone.empty() && !compatible && canonical != system)
        throw std::logic_error("\"" + canonical + "\" is not inet_ntop's \"" + system + '"');
    return 0;
}
