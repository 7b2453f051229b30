#pragma once

#include "net/ServiceResult.h"

#include <QCoroTask>
#include <QString>
#include <QStringView>
#include <QUrl>
#include <cstdint>
#include <optional>
#include <variant>

namespace vantorel {

// One service check as the user typed it: a TCP connect to host:port, or an HTTP(S) GET of a URL.
class ServiceProbe {
public:
    struct Tcp {
        // A name or an address (IPv6 without brackets); not validated beyond what parse() checks.
        QString host;
        std::uint16_t port = 0;

        friend bool operator==(const Tcp&, const Tcp&) = default;
    };

    struct Http {
        QUrl url; // http or https, with a host

        friend bool operator==(const Http&, const Http&) = default;
    };

    ServiceProbe(Tcp tcp)
        : target_(std::move(tcp)) {}
    ServiceProbe(Http http)
        : target_(std::move(http)) {}

    // "host:port" or "[IPv6 address]:port" (port 1–65535), or a URL starting with "http://" or
    // "https://" (any case; an IPv6 host in brackets, "https://[2001:db8::1]/").
    // Spaces and tabs around the text are ignored; anything else yields nothing.
    static std::optional<ServiceProbe> parse(QStringView text);

    bool isHttp() const { return std::holds_alternative<Http>(target_); }
    const Tcp* tcp() const { return std::get_if<Tcp>(&target_); }
    const Http* http() const { return std::get_if<Http>(&target_); }

    // One timed attempt. Never throws and completes exactly once; the awaiting task resumes on
    // the main thread. A TCP attempt gives up after 3.0 s, an HTTP attempt after 5 s without
    // progress. The probe is copied, so it need not outlive the attempt.
    QCoro::Task<ServiceResult> measure() const;

    friend bool operator==(const ServiceProbe&, const ServiceProbe&) = default;

private:
    std::variant<Tcp, Http> target_;
};

} // namespace vantorel
