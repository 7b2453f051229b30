// The detail pane's "Export…": reached by keyboard, it saves what the pane shows in the type
// chosen, and says so when the file cannot be written.
#include "monitor/PingMonitor.h"
#include "support/EventLoop.h"
#include "targets/Target.h"
#include "ui/detail/GraphPane.h"
#include "ui/detail/HistoryExportDialog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

using test::spinUntil;

TEST(GraphPaneExport, SavesTheShownSamplesAsTheChosenTypeAndReportsAFileItCannotWrite) {
    const auto route = Target::create({TargetKind::traceroute, "::ffff:198.19.0.4", {}, 24}, false);
    PingMonitor& fed = *route->monitors().front();
    fed.record(4.5, dateNow() - 90);
    fed.record(std::nullopt, dateNow() - 4);
    fed.record(1.0, dateNow() - 1e5); // stamped by a clock set back, from before the window shown
    GraphPane pane(route);
    pane.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane));
    auto& button = *pane.findChild<QPushButton*>("exportButton");
    EXPECT_EQ(button.accessibleName(), "Export history of ::ffff:198.19.0.4");
    EXPECT_EQ(pane.findChild<QWidget*>("graphSubtitle")->property("text").toString(),
              "Path to ::ffff:198.19.0.4 · 0 hops");
    EXPECT_EQ(pane.emptyStateText(), "Monitoring is off") << "not its old samples";
    button.setFocus();
    QTest::keyClick(&button, Qt::Key_Space);
    auto* dialog = pane.findChild<HistoryExportDialog*>();
    ASSERT_TRUE(dialog && spinUntil([&] { return dialog->isVisible(); }));

    Q_EMIT dialog->filterSelected(HistoryExportDialog::kJsonFilter);
    const QString suggested = dialog->selectedFiles().value(0);
    EXPECT_TRUE(suggested.contains("/--ffff-198.19.0.4-") && suggested.endsWith(".json"));
    // A name without a suffix takes the chosen type's.
    const QTemporaryDir folder;
    dialog->selectNameFilter(HistoryExportDialog::kJsonFilter);
    dialog->selectFile(folder.filePath("route"));
    static_cast<QDialog*>(dialog)->accept(); // as its "Save" button does
    QFile saved(folder.filePath("route.json"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(saved.readAll()).object();
    const QJsonArray samples = json["samples"].toArray();
    ASSERT_EQ(samples.size(), 2);
    EXPECT_EQ(std::tuple(json["key"].toString(), samples[0]["rtt_ms"].toDouble(),
                         samples[1]["rtt_ms"].isNull(), json["hops"].isArray()),
              std::tuple("traceroute:::ffff:198.19.0.4", 4.5, true, true));

    // A folder that is a file cannot take one.
    auto* again = pane.openExportDialog();
    const QString blocked = folder.filePath("route.json/route.csv");
    EXPECT_FALSE(again->exportTo(blocked));
    auto* box = pane.findChild<QMessageBox*>("exportErrorBox");
    ASSERT_TRUE(box && spinUntil([&] { return box->isVisible(); }));
    EXPECT_EQ(box->text(), "The history could not be saved to " + blocked + ".");
    const QString reason = box->informativeText(); // the file's own error, not "no history"
    EXPECT_FALSE(reason.isEmpty() || reason.contains("no history"));
    box->close();
    again->close();
}

} // namespace
} // namespace vantorel
