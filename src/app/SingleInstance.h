#pragma once

#include <QLockFile>
#include <QObject>
#include <QVariantMap>
#include <memory>

namespace vantorel {

// One Vantorel per user session. The running one owns the name org.vantorel.Vantorel on the
// session bus, where a later launch asks it (org.freedesktop.Application.Activate on
// /org/vantorel/Vantorel) to show its window, and holds a lock file in $XDG_RUNTIME_DIR, which
// alone keeps a second one out where there is no session bus.
class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    SingleInstance();
    ~SingleInstance() override;

    // Makes this process the session's Vantorel. False when another one runs: it has then been
    // asked to show its window, or, without a bus to ask it by, this one has said so on stderr.
    bool claim();

public Q_SLOTS:
    // Called over the bus by a later launch.
    void Activate(const QVariantMap& platformData);

Q_SIGNALS:
    void activationRequested();

private:
    std::unique_ptr<QLockFile> lock_;
};

} // namespace vantorel
