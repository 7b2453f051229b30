#include "support/Prometheus.h"

#include "support/EventLoop.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>
#include <arpa/inet.h>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace vantorel::test {

int connectTo(quint16 port, quint32 address) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in peer{AF_INET, htons(port), {htonl(address)}, {}};
    if (::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0)
        return fd;
    ::close(fd);
    return -1;
}

QByteArray exchange(quint16 port, const QByteArray& request) {
    auto reply = std::async(std::launch::async, [port, request] {
        const int fd = connectTo(port);
        if (fd < 0)
            return QByteArray();
        ::send(fd, request.data(), std::size_t(request.size()), MSG_NOSIGNAL);
        QByteArray received;
        char chunk[65536];
        for (ssize_t n; (n = ::recv(fd, chunk, sizeof chunk, 0)) > 0;)
            received.append(chunk, n);
        ::close(fd);
        return received;
    });
    EXPECT_TRUE(spinUntil([&] { return reply.wait_for(0s) == std::future_status::ready; }, 20s));
    return reply.get();
}

QByteArray get(quint16 port, const QByteArray& target) {
    const QByteArray reply = exchange(
        port, "GET " + target + " HTTP/1.1\r\nHost: t\r\nConnection: close\r\nAccept: */*\r\n\r\n");
    return reply.sliced(std::max<qsizetype>(0, reply.indexOf("\r\n\r\n") + 4));
}

Prometheus::Prometheus(quint16 port) {
    const QString config = folder_.filePath("prometheus.yml");
    std::ofstream(config.toStdString())
        << "global: {scrape_interval: 1s, scrape_timeout: 1s}\nscrape_configs:\n"
        << "  - {job_name: vantorel, static_configs: [{targets: ['127.0.0.1:" << port << "']}]}\n";
    daemon_ = std::make_unique<TestDaemonProcess>(
        "prometheus",
        QStringList{"--config.file=" + config, "--storage.tsdb.path=" + folder_.filePath("data"),
                    "--web.listen-address=127.0.0.1:9090"},
        QProcessEnvironment::systemEnvironment(), folder_.filePath("prometheus.log"));
    EXPECT_TRUE(spinUntil([] { return get(9090, "/-/ready").startsWith("Prometheus"); }, 20s))
        << daemon_->failure("not ready").toStdString();
}

std::vector<std::pair<QJsonObject, double>> Prometheus::query(const QString& expression,
                                                              double unixTime) {
    const QByteArray body = get(9090, "/api/v1/query?query=" + QUrl::toPercentEncoding(expression) +
                                          "&time=" + QByteArray::number(unixTime, 'f', 3));
    std::vector<std::pair<QJsonObject, double>> series;
    for (const QJsonValue entry : QJsonDocument::fromJson(body)["data"]["result"].toArray())
        series.emplace_back(entry["metric"].toObject(),
                            entry["value"].toArray()[1].toString().toDouble());
    return series;
}

double Prometheus::value(const QString& expression, double unixTime) {
    const auto series = query(expression, unixTime);
    EXPECT_EQ(series.size(), 1u) << expression.toStdString();
    return series.empty() ? -1 : series.front().second;
}

} // namespace vantorel::test
