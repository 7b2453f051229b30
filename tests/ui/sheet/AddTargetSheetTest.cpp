// The add-target sheet driven through its fields and buttons as a user does.
#include "ui/sheet/AddTargetSheet.h"

#include "ui/controls/FormSegmentedPicker.h"
#include "ui/controls/FormStyle.h"
#include "ui/controls/Theme.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace vantorel {
namespace {

class AddTargetSheetTest : public testing::Test {
protected:
    void SetUp() override {
        QObject::connect(&sheet, &AddTargetSheet::addRequested,
                         [this](const TargetSpec& spec) { added.push_back(spec); });
        // The dialog hands Return to its default button only while it is on screen.
        sheet.show();
    }
    void choose(TargetKind kind) {
        QTest::mouseClick(kinds->segment(targetKindPosition(kind)), Qt::LeftButton);
    }
    static void type(QLineEdit* field, const QString& text) {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }

    AddTargetSheet sheet;
    std::vector<TargetSpec> added;
    FormSegmentedPicker* kinds = sheet.findChild<FormSegmentedPicker*>("kindPicker");
    QLineEdit* host = sheet.findChild<QLineEdit*>("hostField");
    QLineEdit* endHost = sheet.findChild<QLineEdit*>("endHostField");
    QComboBox* mask = sheet.findChild<QComboBox*>("maskPicker");
    QLabel* status = sheet.findChild<QLabel*>("statusLine");
    QPushButton* add = sheet.findChild<QPushButton*>("addButton");
};

TEST_F(AddTargetSheetTest, SaysWhatIsWrongAndAddsOnlyWhatCanBeAdded) {
    using enum TargetKind;
    for (const auto& [kind, from, to, says, valid] :
         std::vector<std::tuple<TargetKind, QString, QString, QString, bool>>{
             {hostPing, "   ", "", "", false},
             {hostPing, " 192.0.2.10 ", "", "Ping 192.0.2.10", true},
             {traceroute, "192.0.2.10", "", "Trace route to 192.0.2.10", true},
             {pingSweep, "", "10.0.0.50", "Start must be a valid IPv4 address", false},
             {pingSweep, "10.0.0.1", "10.0.0", "End must be a valid IPv4 address", false},
             {pingSweep, "10.0.0.9", "10.0.0.1", "Start IP must be ≤ end IP", false},
             {pingSweep, "10.0.0.1", "10.0.0.255", "Range too large (max 254 addresses)", false},
             {pingSweep, "2001:db8::1", "2001:db8::ff",
              "An IPv6 range cannot be swept; use IPv4 addresses", false},
             {traceroute, "2001:DB8:0::A", "", "Trace route to 2001:db8::a", true},
             {pingSweep, "10.0.0.1", "10.0.0.254", "254 hosts · 10.0.0.1–10.0.0.254 · 10.0.0.0/24",
              true},
             {serviceCheck, "example.com", "", "Use host:port (TCP) or an http(s):// URL", false},
             {serviceCheck, "db:5432", "", "TCP connect to db port 5432 every 1s", true},
             // The URL as sent: escaped once, never twice.
             {serviceCheck, "http://h/a%20b", "", "HTTP check of http://h/a%20b every 5s", true}}) {
        choose(kind);
        EXPECT_EQ(std::pair(endHost->isVisible(), mask->isVisible()),
                  std::pair(kind == pingSweep, kind == pingSweep));
        EXPECT_EQ(host->accessibleName() == "Destination", kind == traceroute);
        type(host, from);
        if (kind == pingSweep)
            type(endHost, to);
        EXPECT_EQ(std::pair(status->text(), add->isEnabled()), std::pair(says, valid));
        if (!says.isEmpty()) // green when it can be added, orange when not
            EXPECT_EQ(status->palette().color(QPalette::WindowText),
                      (valid ? form_style::successText : form_style::warningText)(theme::isDark()));
        // Return in a field adds once what can be added, and nothing else.
        QTest::keyClick(host, Qt::Key_Return);
        EXPECT_EQ(added.size(), valid ? 1u : 0u) << says.toStdString();
        EXPECT_EQ(sheet.isVisible(), !valid);
        added.clear();
        sheet.show();
    }
}

// The kind picker is one tab stop, just before the address, whose arrows choose like radio buttons.
TEST_F(AddTargetSheetTest, TheKindPickerIsOneTabStopWhoseArrowsChoose) {
    using enum TargetKind;
    sheet.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&sheet));
    QTest::keyClick(host, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), kinds->segment(0));
    const std::pair<Qt::Key, TargetKind> keys[] = {
        {Qt::Key_Right, pingSweep}, {Qt::Key_Down, traceroute},  {Qt::Key_Left, pingSweep},
        {Qt::Key_Home, hostPing},   {Qt::Key_End, serviceCheck}, {Qt::Key_Right, hostPing},
        {Qt::Key_Up, serviceCheck}};
    for (const auto& [key, kind] : keys) {
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_EQ(kinds->currentIndex(), targetKindPosition(kind));
        EXPECT_EQ(QApplication::focusWidget(), kinds->segment(targetKindPosition(kind)));
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), host);
}

TEST_F(AddTargetSheetTest, AddsTheKindChosenWithWhatItsFieldsSay) {
    choose(TargetKind::pingSweep);
    type(host, "10.0.0.1");
    type(endHost, "10.0.0.254");
    mask->setCurrentIndex(mask->findText("/32"));
    EXPECT_TRUE(status->text().endsWith("10.0.0.1/32"));
    // Another kind keeps what was typed and ignores the range fields.
    choose(TargetKind::hostPing);
    QTest::mouseClick(add, Qt::LeftButton);
    sheet.show();
    choose(TargetKind::pingSweep);
    QPushButton* cancel = sheet.findChild<QPushButton*>("cancelButton");
    QTest::keyClick(cancel, Qt::Key_Return); // adds, even from Cancel
    sheet.show();
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(added,
              (std::vector<TargetSpec>{{TargetKind::hostPing, "10.0.0.1", {}, 24},
                                       {TargetKind::pingSweep, "10.0.0.1", "10.0.0.254", 32}}));
    EXPECT_EQ(sheet.result(), QDialog::Rejected);
}

} // namespace
} // namespace vantorel
