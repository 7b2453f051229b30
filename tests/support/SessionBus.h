#pragma once

#include "support/SessionBusProcess.h"

#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace vantorel::test {

// A private D-Bus bus (its own dbus-daemon) for tests, so that nothing a test posts reaches a
// real desktop. It starts no services on demand: a name has an owner only when a test started one.
//
// As the process's session bus (the default role) it sets DBUS_SESSION_BUS_ADDRESS. Qt reads that
// once, at the first QDBusConnection::sessionBus() call, so the bus must exist before then: start
// it from main or from a GoogleTest environment (SessionBusEnvironment below). A standalone bus
// leaves the environment alone; connect to it with QDBusConnection::connectToBus(address(), ...).
class SessionBus {
public:
    enum class Role { processSessionBus, standalone };

    // Returns once clients can connect. Throws std::runtime_error when the daemon cannot start.
    explicit SessionBus(Role role = Role::processSessionBus);
    // Stops the daemon; every client loses its connection.
    ~SessionBus();

    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    const QString& address() const { return address_; }

    // The process id of the client that owns `name` on this bus, or 0 while nobody owns it.
    quint32 ownerOf(const QString& name) const;

private:
    Role role_;
    QTemporaryDir folder_;
    std::unique_ptr<TestDaemonProcess> daemon_;
    QString address_;
    QString connectionName_;
};

// Gives a whole test program one private session bus: it starts before the first test and stops
// after the last. Register it at namespace scope, before main runs:
//   [[maybe_unused]] testing::Environment* const bus =
//       testing::AddGlobalTestEnvironment(new vantorel::test::SessionBusEnvironment);
class SessionBusEnvironment : public testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

    // The running bus; only valid between SetUp and TearDown.
    static SessionBus& bus();
};

} // namespace vantorel::test
