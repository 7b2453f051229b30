#include "ui/detail/HistoryExportDialog.h"

#include "export/ExportFormat.h"
#include "monitor/PingMonitor.h"
#include "settings/Preferences.h"
#include "settings/SettingRules.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <QStandardPaths>

namespace vantorel {

const QString HistoryExportDialog::kCsvFilter = QStringLiteral("CSV (*.csv)");
const QString HistoryExportDialog::kJsonFilter = QStringLiteral("JSON (*.json)");

namespace {

// A file name from the target's name and the time, without the characters file managers and
// shells trip over.
QString suggestedName(const QString& targetName) {
    QString name = targetName;
    for (QChar& c : name) {
        if (!c.isLetterOrNumber() && c != u'.' && c != u'-' && c != u'_')
            c = u'-';
    }
    return name + QDateTime::currentDateTime().toString(QStringLiteral("-yyyyMMdd-HHmm")) +
           QStringLiteral(".csv");
}

ExportFormat filterFormat(const QString& filter) {
    return filter == HistoryExportDialog::kJsonFilter ? ExportFormat::json : ExportFormat::csv;
}

} // namespace

HistoryExportDialog::HistoryExportDialog(std::shared_ptr<const PingMonitor> monitor,
                                         const QString& targetName, QWidget* pane)
    : QFileDialog(pane, QStringLiteral("Export History of %1").arg(targetName))
    , monitor_(std::move(monitor))
    , pane_(pane) {
    setObjectName(QStringLiteral("historyExportDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    // Qt's own dialog, which reports the type chosen on every desktop.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters({kCsvFilter, kJsonFilter});
    setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    selectFile(suggestedName(targetName));
    // The suggested name follows the type chosen, as long as it still ends in a type's suffix.
    connect(this, &QFileDialog::filterSelected, this, [this](const QString& filter) {
        const QStringList chosen = selectedFiles();
        if (chosen.isEmpty() || !exportFormatNamed(QFileInfo(chosen.front()).suffix().toLower()))
            return;
        selectFile(QFileInfo(chosen.front()).completeBaseName() + QLatin1Char('.') +
                   formatName(filterFormat(filter)));
    });
    connect(this, &QFileDialog::fileSelected, this, &HistoryExportDialog::exportTo);
}

bool HistoryExportDialog::exportTo(const QString& typed) {
    // A name without a type's suffix gets the one of the type chosen.
    const std::optional<ExportFormat> named =
        exportFormatNamed(QFileInfo(typed).suffix().toLower());
    const ExportFormat format = named.value_or(filterFormat(selectedNameFilter()));
    const QString file = named ? typed : typed + QLatin1Char('.') + formatName(format);
    const Date now = dateNow();
    const auto history =
        exportedHistoryOf(*monitor_, now - double(historyWindowSeconds(Preferences::instance())));
    QSaveFile out(file);
    if (history && out.open(QIODevice::WriteOnly) &&
        out.write(writeExport(*history, format)) >= 0 && out.commit())
        return true;
    const QString reason =
        history ? out.errorString() : QStringLiteral("this target keeps no history");
    // Over the pane: this dialog is on its way out.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Export Failed"),
                                QStringLiteral("The history could not be saved to %1.").arg(file),
                                QMessageBox::Ok, pane_);
    box->setObjectName(QStringLiteral("exportErrorBox"));
    box->setInformativeText(reason);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return false;
}

} // namespace vantorel
