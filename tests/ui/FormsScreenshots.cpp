// Renders the add-target sheet in a few states and the preferences window, dark and light, to
// PNG files in the folder given, for a person to look at.
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "support/UserFolders.h"
#include "ui/controls/FormSegmentedPicker.h"
#include "ui/preferences/PreferencesWindow.h"
#include "ui/sheet/AddTargetSheet.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTextStream>

using namespace vantorel;

namespace {

struct SheetState {
    const char* name;
    TargetKind kind;
    const char* host;
    const char* endHost;
};

void save(QWidget& widget, const QString& path) {
    widget.show();
    QApplication::processEvents();
    widget.grab().save(path);
    QTextStream(stdout) << path << '\n';
}

} // namespace

int main(int argc, char** argv) {
    vantorel::test::isolateUserFolders();
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(icons);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);

    const SheetState states[] = {
        {"empty", TargetKind::hostPing, "", ""},
        {"sweep", TargetKind::pingSweep, "10.0.0.1", "10.0.0.254"},
        {"sweep-wrong", TargetKind::pingSweep, "10.0.0.9", "10.0.0.1"},
        {"service", TargetKind::serviceCheck, "https://status.example.com/health/live", ""},
        {"service-wrong", TargetKind::serviceCheck, "example.com", ""},
    };
    for (const QString& scheme : {QStringLiteral("dark"), QStringLiteral("light")}) {
        Preferences::instance().setValue(keys::appearance, scheme);
        for (const SheetState& state : states) {
            AddTargetSheet sheet;
            sheet.findChild<FormSegmentedPicker*>(QStringLiteral("kindPicker"))
                ->segment(targetKindPosition(state.kind))
                ->click();
            sheet.findChild<QLineEdit*>(QStringLiteral("hostField"))
                ->setText(QString::fromUtf8(state.host));
            sheet.findChild<QLineEdit*>(QStringLiteral("endHostField"))
                ->setText(QString::fromUtf8(state.endHost));
            save(sheet, QStringLiteral("%1/sheet-%2-%3.png")
                            .arg(folder, QString::fromUtf8(state.name), scheme));
        }
        PreferencesWindow preferences;
        save(preferences, QStringLiteral("%1/preferences-%2.png").arg(folder, scheme));
    }
    return 0;
}
