#include "net/RawIcmpSniffer.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vantorel::test {

RawIcmpSniffer::RawIcmpSniffer()
    : fd_(::socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP)) {
    if (fd_ < 0)
        ADD_FAILURE() << "raw ICMP socket: " << strerror(errno);
    const int size = 8 << 20;
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof(size));
}

RawIcmpSniffer::~RawIcmpSniffer() {
    ::close(fd_);
}

std::vector<std::uint16_t> RawIcmpSniffer::echoRequestSequences() {
    std::vector<std::uint16_t> sequences;
    std::uint8_t packet[2048];
    for (;;) {
        const ssize_t n = ::recv(fd_, packet, sizeof(packet), 0);
        if (n < 0)
            break;
        const std::size_t header = std::size_t(packet[0] & 0x0f) * 4;
        if (std::size_t(n) >= header + 8 && packet[header] == 8)
            sequences.push_back(std::uint16_t(packet[header + 6] << 8 | packet[header + 7]));
    }
    return sequences;
}

} // namespace vantorel::test
