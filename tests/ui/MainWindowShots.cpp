// Renders the main window over lab targets of every kind into PNGs under /tmp/vantorel-shots/:
// each kind's graph and results, the overview, dark and light, so a person can judge how they
// look. Runs inside the lab's private network (as root); under xvfb-run with QT_QPA_PLATFORM=xcb
// it draws through a real X server.
#include "lab/Lab.h"
#include "lab/PrivateNetwork.h"
#include "lab/RouterChain.h"
#include "lab/TunPath.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/EventLoop.h"
#include "support/HttpTestServer.h"
#include "support/UserFolders.h"
#include "targets/HostStore.h"
#include "targets/TargetSpecJson.h"
#include "ui/window/AuroraBackground.h"
#include "ui/window/MainWindow.h"
#include "ui/window/Sidebar.h"
#include "ui/window/TargetCard.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

using namespace vantorel;
using namespace std::chrono_literals;

namespace {

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void shoot(MainWindow& window, const QString& name) {
    test::spinFor(300ms);
    const QString path = QStringLiteral("/tmp/vantorel-shots/main-window-%1.png").arg(name);
    window.grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char** argv) {
    lab::enterPrivateNetwork();
    test::isolateUserFolders();
    QApplication app(argc, argv);
    QDir().mkpath(QStringLiteral("/tmp/vantorel-shots"));

    lab::TunPath near;
    near.setDestinations({near.address(2), near.address(3)});
    near.setDelay(12ms);
    lab::TunPath far;
    far.setDestinations({far.address(2)});
    far.setDelay(84ms);
    far.setLoss(lab::TunPath::Loss::everyNth(6));
    lab::Lab lab;
    lab.startSubnet();
    const auto alive = lab.addHosts(5);
    lab.addSilentHosts(3);
    const QString first = qt(alive.front());
    const QString last = first.left(first.lastIndexOf('.') + 1) + "10";
    const auto& route = lab.addRouteThroughRouters(4);
    test::HttpTestServer web;

    const std::vector<TargetSpec> specs = {
        {TargetKind::hostPing, qt(near.address(2)), QString(), 24},
        {TargetKind::hostPing, qt(far.address(2)), QString(), 24},
        {TargetKind::pingSweep, first, last, 24},
        {TargetKind::traceroute, qt(route.destination()), QString(), 24},
        {TargetKind::serviceCheck, web.url(QStringLiteral("/health")).toString(), QString(), 24},
        {TargetKind::pingSweep, first, first.left(first.lastIndexOf('.') + 1) + "6", 24},
        {TargetKind::hostPing, qt(near.address(40)), QString(), 24},
    };
    auto& preferences = Preferences::instance();
    preferences.setValue(keys::targetsV2, *encodeTargetSpecs(specs));
    preferences.setValue(keys::appearance, QStringLiteral("dark"));

    HostStore store;
    MainWindow window(store);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    for (std::size_t i = 0; i + 1 < specs.size(); ++i)
        store.targets()[i]->setEnabled(true);
    test::spinFor(25s);

    const auto cards = window.findChild<Sidebar*>()->cards();
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QApplication::sendEvent(cards[1], &enter);
    const std::vector<QString> kinds = {"host-ping", "lossy-ping", "sweep", "traceroute",
                                        "service"};
    for (const QString& scheme : {QStringLiteral("dark"), QStringLiteral("light")}) {
        preferences.setValue(keys::appearance, scheme);
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            window.select(store.targets()[i]->id());
            shoot(window, kinds[i] + "-" + scheme);
        }
        window.setShowOverview(true);
        shoot(window, "overview-" + scheme);
        window.setShowOverview(false);
    }
    window.resize(1500, 900);
    window.setShowOverview(true);
    shoot(window, QStringLiteral("overview-wide-light"));
    window.setShowOverview(false);
    window.resize(1080, 720);
    preferences.setValue(keys::appearance, QStringLiteral("dark"));
    window.select(store.targets()[6]->id());
    shoot(window, QStringLiteral("monitoring-off-dark"));
    window.select(QUuid());
    shoot(window, QStringLiteral("placeholder-dark"));
    preferences.setValue(keys::glassEnabled, false);
    window.select(store.targets()[0]->id());
    shoot(window, QStringLiteral("noglass-dark"));
    preferences.remove(keys::glassEnabled);

    // What the open window costs while nothing is probed: the background's animation alone.
    for (const auto& target : store.targets())
        target->setEnabled(false);
    test::spinFor(1s);
    PaintCounter counter;
    window.findChild<AuroraBackground*>()->installEventFilter(&counter);
    const double cpuBefore = cpuSeconds();
    // A real event loop: the test helpers poll, which would be measured too.
    QEventLoop idle;
    QTimer::singleShot(10s, &idle, &QEventLoop::quit);
    idle.exec();
    std::printf("idle window: %.1f %% of one core, %d background frames in 10 s\n",
                (cpuSeconds() - cpuBefore) * 10.0, counter.paints);
    return 0;
}
