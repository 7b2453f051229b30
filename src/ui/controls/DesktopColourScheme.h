#pragma once

#include <QDBusVariant>
#include <QObject>

namespace vantorel {

// The desktop's light or dark preference, from the freedesktop settings portal
// (org.freedesktop.appearance color-scheme), falling back to the palette's window lightness when
// no portal answers. Announces `changed` when the desktop switches.
class DesktopColourScheme : public QObject {
    Q_OBJECT

public:
    static DesktopColourScheme& instance();

    bool prefersDark() const { return prefersDark_; }

Q_SIGNALS:
    void changed();

private Q_SLOTS:
    void settingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    DesktopColourScheme();
    void apply(uint portalValue);

    bool prefersDark_ = false;
};

} // namespace vantorel
