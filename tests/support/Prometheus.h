#pragma once

#include "support/SessionBusProcess.h"

#include <QByteArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <memory>
#include <utility>
#include <vector>

namespace vantorel::test {

// A blocking TCP connection to `address` (127.0.0.1 by default):`port`, or -1.
int connectTo(quint16 port, quint32 address = 0x7f000001);

// Sends `request` on a fresh connection to 127.0.0.1:`port` and returns all that comes back until
// the close, from another thread while this one spins its event loop, for a server running on it.
QByteArray exchange(quint16 port, const QByteArray& request);

// The body of a GET of `target`.
QByteArray get(quint16 port, const QByteArray& target);

// A real Prometheus scraping 127.0.0.1:`port` every second, its data in a temporary folder, its
// web API on 127.0.0.1:9090 (so only in a test's private network).
class Prometheus {
public:
    explicit Prometheus(quint16 port);

    // The instant vector of `expression` at `unixTime`: labels and value of each series.
    std::vector<std::pair<QJsonObject, double>> query(const QString& expression, double unixTime);
    // The one value of `expression`, or -1 (and a failure) when it has not exactly one series.
    double value(const QString& expression, double unixTime);

private:
    QTemporaryDir folder_;
    std::unique_ptr<TestDaemonProcess> daemon_;
};

} // namespace vantorel::test
