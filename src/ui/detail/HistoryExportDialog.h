#pragma once

#include <QFileDialog>
#include <memory>

namespace vantorel {

class PingMonitor;

// Asks where to save what a target's monitor holds, and saves it there as CSV or JSON, by the
// file's suffix or else by the file type chosen. What is saved is what the detail pane can show:
// the samples of the history window the chart scrolls through, and a traceroute's current hops.
class HistoryExportDialog : public QFileDialog {
    Q_OBJECT

public:
    static const QString kCsvFilter;
    static const QString kJsonFilter;

    // A window-modal dialog over `pane`, deleted when closed; call open() to show it.
    HistoryExportDialog(std::shared_ptr<const PingMonitor> monitor, const QString& targetName,
                        QWidget* pane);

    // Writes the export to `file` (with the chosen type's suffix added when it has neither);
    // false after reporting why it could not, in a message box named "exportErrorBox" over the
    // pane.
    bool exportTo(const QString& file);

private:
    std::shared_ptr<const PingMonitor> monitor_;
    QWidget* pane_;
};

} // namespace vantorel
