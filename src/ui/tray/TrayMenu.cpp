#include "ui/tray/TrayMenu.h"

#include "targets/HostStore.h"
#include "ui/preferences/PreferencesWindow.h"

#include <QApplication>

namespace vantorel {

TrayMenu::TrayMenu(HostStore& store, std::function<void()> openMainWindow, QWidget* parent)
    : QMenu(parent)
    , store_(store)
    , openMainWindow_(std::move(openMainWindow)) {
    setObjectName(QStringLiteral("trayMenu"));
    connect(&store_, &HostStore::changed, this, &TrayMenu::follow);
    follow();
}

QStringList TrayMenu::entries() const {
    QStringList texts;
    for (const QAction* action : actions()) {
        if (!action->isSeparator())
            texts.append(action->text() +
                         (action->isChecked() ? QStringLiteral(" [on]") : QString()));
    }
    return texts;
}

void TrayMenu::follow() {
    std::vector<std::pair<QUuid, bool>> now;
    for (const auto& target : store_.targets())
        now.emplace_back(target->id(), target->enabled());
    if (now == shown_ && !actions().isEmpty())
        return;
    shown_ = std::move(now);
    rebuild();
}

void TrayMenu::rebuild() {
    clear();
    if (store_.targets().empty())
        addAction(QStringLiteral("No targets"))->setEnabled(false);
    for (const auto& target : store_.targets()) {
        QAction* entry = addAction(target->spec().displayName());
        entry->setCheckable(true);
        entry->setChecked(target->enabled());
        const std::weak_ptr<Target> weak = target;
        connect(entry, &QAction::triggered, this, [weak](bool on) {
            if (const auto held = weak.lock())
                held->setEnabled(on);
        });
    }
    addSeparator();
    connect(addAction(QStringLiteral("Open Vantorel")), &QAction::triggered, this,
            [this] { openMainWindow_(); });
    connect(addAction(QStringLiteral("Preferences…")), &QAction::triggered, this,
            [] { PreferencesWindow::showWindow(); });
    addSeparator();
    connect(addAction(QStringLiteral("Quit")), &QAction::triggered, this,
            [] { QApplication::quit(); });
}

} // namespace vantorel
