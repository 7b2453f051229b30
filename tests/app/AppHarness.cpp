#include "AppHarness.h"

#include "XSession.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/SessionBus.h"
#include "targets/TargetSpecJson.h"

#include <QDir>
#include <QFile>
#include <utility>

namespace vantorel::test {

QProcessEnvironment userEnvironment(const QString& home, const XSession& x, const SessionBus& bus) {
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.insert("DISPLAY", x.display());
    environment.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
    environment.insert("HOME", home);
    const std::pair<const char*, const char*> folders[] = {{"XDG_CONFIG_HOME", "/.config"},
                                                           {"XDG_DATA_HOME", "/.local/share"},
                                                           {"XDG_CACHE_HOME", "/.cache"},
                                                           {"XDG_STATE_HOME", "/.local/state"},
                                                           {"XDG_RUNTIME_DIR", "/runtime"}};
    for (const auto& [variable, folder] : folders) {
        QDir().mkpath(home + folder);
        environment.insert(variable, home + folder);
    }
    QFile::setPermissions(home + "/runtime",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return environment;
}

QString settingsPath(const QString& home) {
    return home + "/.config/Vantorel/Vantorel.conf";
}

void writeTargetList(const QString& home, const std::vector<TargetSpec>& targets) {
    Preferences settings(settingsPath(home));
    settings.setValue(keys::targetsV2, *encodeTargetSpecs(targets));
}

} // namespace vantorel::test
