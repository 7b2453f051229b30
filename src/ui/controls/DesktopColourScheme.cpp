#include "ui/controls/DesktopColourScheme.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QPalette>

namespace vantorel {

namespace {
const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kColorScheme = QStringLiteral("color-scheme");

bool paletteIsDark() {
    const QColor window = QApplication::palette().color(QPalette::Window);
    return window.lightnessF() < 0.5;
}

// The portal answers Read with a variant that may itself hold a variant.
uint unwrap(QVariant value) {
    while (value.canConvert<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value.toUInt();
}
} // namespace

DesktopColourScheme& DesktopColourScheme::instance() {
    static auto* scheme = new DesktopColourScheme();
    return *scheme;
}

DesktopColourScheme::DesktopColourScheme()
    : prefersDark_(paletteIsDark()) {
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(kPortalService, kPortalPath, kSettingsInterface, QStringLiteral("SettingChanged"),
                this, SLOT(settingChanged(QString, QString, QDBusVariant)));
    auto call = QDBusMessage::createMethodCall(kPortalService, kPortalPath, kSettingsInterface,
                                               QStringLiteral("Read"));
    call << kAppearance << kColorScheme;
    // Asked without waiting: a desktop without a portal must not delay the first window.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<QVariant> reply = *w;
        if (!reply.isError())
            apply(unwrap(reply.value()));
        w->deleteLater();
    });
}

void DesktopColourScheme::settingChanged(const QString& group, const QString& key,
                                         const QDBusVariant& value) {
    if (group == kAppearance && key == kColorScheme)
        apply(unwrap(value.variant()));
}

void DesktopColourScheme::apply(uint portalValue) {
    // 1 prefers dark, 2 prefers light, 0 has no preference (the palette decides).
    const bool dark = portalValue == 1 || (portalValue == 0 && paletteIsDark());
    if (dark == prefersDark_)
        return;
    prefersDark_ = dark;
    Q_EMIT changed();
}

} // namespace vantorel
