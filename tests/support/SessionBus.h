#pragma once

#include "support/SessionBusProcess.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantorel::test {

// A private D-Bus bus (its own dbus-daemon) that starts no services on demand, so that nothing a
// test posts reaches a real desktop. As the process's session bus it sets
// DBUS_SESSION_BUS_ADDRESS, which Qt reads once, at the first QDBusConnection::sessionBus(): start
// it before, e.g. from SessionBusEnvironment. Clients of a standalone bus connect to address().
class SessionBus {
public:
    enum class Role { processSessionBus, standalone };

    // Returns once clients can connect; throws std::runtime_error when the daemon cannot start.
    explicit SessionBus(Role role = Role::processSessionBus);
    ~SessionBus();

    const QString& address() const { return address_; }
    // The process id of the client that owns `name` on this bus, or 0 while nobody does.
    quint32 ownerOf(const QString& name) const;

private:
    Role role_;
    QTemporaryDir folder_;
    std::unique_ptr<TestDaemonProcess> daemon_;
    QString address_;
};

// One private session bus for a whole test program, registered at namespace scope with
// testing::AddGlobalTestEnvironment(new SessionBusEnvironment).
class SessionBusEnvironment : public testing::Environment {
public:
    void SetUp() override { bus_ = std::make_unique<SessionBus>(); }
    void TearDown() override { bus_.reset(); }
    static SessionBus& bus() { return *bus_; }

private:
    static inline std::unique_ptr<SessionBus> bus_;
};

} // namespace vantorel::test
