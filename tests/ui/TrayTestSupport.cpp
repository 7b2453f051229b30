#include "TrayTestSupport.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "targets/TargetSpecJson.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>
#include <stdexcept>

namespace vantorel::test {

TargetSpec hostPing(const std::string& address) {
    return {TargetKind::hostPing, QString::fromStdString(address), QString(), 24};
}

void storeTargetList(const std::vector<TargetSpec>& specs) {
    const auto encoded = encodeTargetSpecs(specs);
    if (!encoded)
        throw std::runtime_error("cannot encode the target list");
    Preferences::instance().setValue(keys::targetsV2, *encoded);
}

std::vector<QWidget*> trayRows(QWidget& popover) {
    std::vector<QWidget*> rows;
    for (QWidget* row : popover.findChildren<QWidget*>(QStringLiteral("trayRow")))
        rows.push_back(row);
    return rows;
}

QAbstractButton& traySwitch(QWidget& row) {
    auto* button = row.findChild<QAbstractButton*>(QStringLiteral("traySwitch"));
    if (!button)
        throw std::runtime_error("a tray row without a switch");
    return *button;
}

QString trayFigure(QWidget& row) {
    auto* label = row.findChild<QLabel*>(QStringLiteral("trayFigure"));
    return label ? label->text() : QString();
}

} // namespace vantorel::test
