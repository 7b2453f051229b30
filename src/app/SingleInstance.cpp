#include "app/SingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStandardPaths>
#include <cstdio>

namespace vantorel {

namespace {

const QString kService = QStringLiteral(VANTOREL_APP_ID);
const QString kPath = QStringLiteral("/org/vantorel/Vantorel");
const QString kInterface = QStringLiteral("org.freedesktop.Application");

// A running instance that does not answer within this time is not worth waiting for longer.
constexpr int kActivateTimeoutMs = 2000;

} // namespace

SingleInstance::SingleInstance() = default;

SingleInstance::~SingleInstance() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.objectRegisteredAt(kPath) == this) {
        bus.unregisterObject(kPath);
        bus.unregisterService(kService);
    }
}

bool SingleInstance::claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        // The object before the name: whoever finds the name must find the method behind it.
        bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots);
        if (!bus.registerService(kService)) {
            bus.unregisterObject(kPath);
            auto activate = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                           QStringLiteral("Activate"));
            activate << QVariantMap();
            bus.call(activate, QDBus::Block, kActivateTimeoutMs);
            return false;
        }
    }
    // The lock is taken with a bus as well: an instance started where the bus was missing has
    // no name, but holds it.
    lock_ = std::make_unique<QLockFile>(
        QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + u'/' + kService +
        QStringLiteral(".lock"));
    // A lock is only ever stale when its owner has died, however long that one has been running.
    lock_->setStaleLockTime(0);
    // A folder where no lock can be made at all says nothing about another instance.
    if (lock_->tryLock(0) || lock_->error() != QLockFile::LockFailedError)
        return true;
    std::fputs("Vantorel is already running.\n", stderr);
    return false;
}

void SingleInstance::Activate(const QVariantMap&) {
    Q_EMIT activationRequested();
}

} // namespace vantorel
