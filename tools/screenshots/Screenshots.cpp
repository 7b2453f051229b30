// Renders the windows, dark and light, into PNGs for a person to look at: the main
// window over targets of every kind, the overview, the add-target sheet and the preferences.
// Runs in a private network (as root); under xvfb-run with QT_QPA_PLATFORM=xcb, on a real X server.
//   ui_screenshots [folder] [points]   points: the application font's size (default 10)
#include "lab/PrivateNetwork.h"
#include "lab/TunPath.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"
#include "support/UserFolders.h"
#include "targets/HostStore.h"
#include "targets/TargetSpecJson.h"
#include "ui/preferences/PreferencesWindow.h"
#include "ui/sheet/AddTargetSheet.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <cstdio>
#include <cstdlib>

using namespace vantorel;
using namespace std::chrono_literals;

int main(int argc, char** argv) {
    lab::enterPrivateNetwork();
    test::isolateUserFolders();
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(icons);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "/tmp/vantorel-shots";
    QFont font = QApplication::font();
    font.setPointSizeF(argc > 2 ? std::atof(argv[2]) : 10);
    QApplication::setFont(font);
    QDir().mkpath(folder);
    // Four hosts answer after 40 ms, every sixth echo lost, behind three routers.
    lab::TunPath path;
    path.setDestinations({path.address(2), path.address(3), path.address(5), path.address(6)});
    path.setDelay(40ms);
    path.setLossEvery(6);
    path.setRouters({{path.address(101), 1ms}, {path.address(102), 4ms}, {path.address(103), 8ms}});
    test::HttpTestServer web;
    const auto qt = [](const std::string& text) { return QString::fromStdString(text); };
    const QStringList names{"host-ping", "sweep", "traceroute", "service", "off"};
    const std::vector<TargetSpec> specs{
        {TargetKind::hostPing, qt(path.address(2)), {}, 24},
        {TargetKind::pingSweep, qt(path.address(2)), qt(path.address(10)), 24},
        {TargetKind::traceroute, qt(path.address(6)), {}, 24},
        {TargetKind::serviceCheck, web.url("/health").toString(), {}, 24},
        {TargetKind::hostPing, qt(path.address(40)), {}, 24}};
    Preferences::instance().setValue(keys::targetsV2, *encodeTargetSpecs(specs));
    HostStore store;
    MainWindow window(store);
    for (std::size_t i = 0; i + 1 < specs.size(); ++i)
        store.targets()[i]->setEnabled(true);
    test::spinFor(20s);

    for (const QString scheme : {"dark", "light"}) {
        Preferences::instance().setValue(keys::appearance, scheme);
        const auto save = [&](QWidget& widget, const QString& name) {
            widget.show();
            test::spinFor(300ms);
            const QString file = QStringLiteral("%1/%2-%3.png").arg(folder, name, scheme);
            widget.grab().save(file);
            std::printf("%s\n", qPrintable(file));
        };
        for (int i = 0; i < names.size(); ++i) {
            window.select(store.targets()[std::size_t(i)]->id());
            save(window, "window-" + names[i]);
        }
        window.setShowOverview(true);
        save(window, "window-overview");
        window.setShowOverview(false);
        AddTargetSheet sheet;
        sheet.findChild<QLineEdit*>("hostField")->setText("10.0.0.1");
        save(sheet, "sheet");
        PreferencesWindow preferences;
        save(preferences, "preferences");
    }
    return 0;
}
