#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "ui/controls/FormSegmentedPicker.h"
#include "ui/controls/FormStyle.h"
#include "ui/sheet/AddTargetSheet.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace vantorel {
namespace {

class AddTargetSheetTest : public testing::Test {
protected:
    void SetUp() override {
        Preferences::instance().setValue(keys::appearance, QStringLiteral("dark"));
        sheet_ = std::make_unique<AddTargetSheet>();
        QObject::connect(sheet_.get(), &AddTargetSheet::addRequested,
                         [this](const TargetSpec& spec) { added_.push_back(spec); });
        // The dialog hands Return to its default button only while it is on screen.
        sheet_->show();
        kindPicker_ = child<FormSegmentedPicker>("kindPicker");
        hostField_ = child<QLineEdit>("hostField");
        endHostField_ = child<QLineEdit>("endHostField");
        maskPicker_ = child<QComboBox>("maskPicker");
        statusLine_ = child<QLabel>("statusLine");
        addButton_ = child<QPushButton>("addButton");
        cancelButton_ = child<QPushButton>("cancelButton");
    }

    void TearDown() override { Preferences::instance().remove(keys::appearance); }

    template <typename Widget> Widget* child(const char* name) {
        auto* widget = sheet_->findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void choose(TargetKind kind) {
        QTest::mouseClick(kindPicker_->segment(targetKindPosition(kind)), Qt::LeftButton);
    }

    static void type(QLineEdit* field, const QString& text) {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
    }

    QString status() const { return statusLine_->text(); }
    bool canAdd() const { return addButton_->isEnabled(); }
    QColor statusColour() const { return statusLine_->palette().color(QPalette::WindowText); }

    std::unique_ptr<AddTargetSheet> sheet_;
    std::vector<TargetSpec> added_;
    FormSegmentedPicker* kindPicker_ = nullptr;
    QLineEdit* hostField_ = nullptr;
    QLineEdit* endHostField_ = nullptr;
    QComboBox* maskPicker_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

TEST_F(AddTargetSheetTest, OpensOnHostPingWithNothingToAdd) {
    EXPECT_EQ(kindPicker_->currentIndex(), targetKindPosition(TargetKind::hostPing));
    EXPECT_FALSE(endHostField_->isVisible());
    EXPECT_FALSE(maskPicker_->isVisible());
    EXPECT_EQ(maskPicker_->currentText(), QStringLiteral("/24"));
    EXPECT_TRUE(status().isEmpty());
    EXPECT_FALSE(canAdd());
    EXPECT_EQ(sheet_->width(), 430);
}

TEST_F(AddTargetSheetTest, HostPingAndTracerouteSummariseTheHost) {
    type(hostField_, QStringLiteral(" 192.0.2.10 "));
    EXPECT_EQ(status(), QStringLiteral("Ping 192.0.2.10"));
    EXPECT_EQ(statusColour(), form_style::successText(true));
    EXPECT_TRUE(canAdd());

    choose(TargetKind::traceroute);
    EXPECT_EQ(status(), QStringLiteral("Trace route to 192.0.2.10"));
    EXPECT_TRUE(canAdd());
}

TEST_F(AddTargetSheetTest, SpacesOnlyHostShowsNothingAndCannotBeAdded) {
    type(hostField_, QStringLiteral("   "));
    EXPECT_TRUE(status().isEmpty());
    EXPECT_FALSE(canAdd());

    QTest::keyClick(hostField_, Qt::Key_Return);
    EXPECT_TRUE(added_.empty());
    EXPECT_TRUE(sheet_->isVisible());
}

TEST_F(AddTargetSheetTest, SweepReportsEachWayARangeCanBeWrong) {
    choose(TargetKind::pingSweep);
    EXPECT_TRUE(endHostField_->isVisible());
    EXPECT_TRUE(maskPicker_->isVisible());

    type(endHostField_, QStringLiteral("10.0.0.50"));
    EXPECT_EQ(status(), QStringLiteral("Start must be a valid IPv4 address"));
    EXPECT_EQ(statusColour(), form_style::warningText(true));
    EXPECT_FALSE(canAdd());

    type(hostField_, QStringLiteral("10.0.0.9"));
    type(endHostField_, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(status(), QStringLiteral("Start IP must be \u2264 end IP"));
    EXPECT_FALSE(canAdd());

    type(hostField_, QStringLiteral("10.0.0.1"));
    type(endHostField_, QStringLiteral("10.0.0.255"));
    EXPECT_EQ(status(), QStringLiteral("Range too large (max 254 addresses)"));
    EXPECT_FALSE(canAdd());

    type(endHostField_, QStringLiteral("10.0.0"));
    EXPECT_EQ(status(), QStringLiteral("End must be a valid IPv4 address"));
    EXPECT_FALSE(canAdd());
}

TEST_F(AddTargetSheetTest, LargestSweepIsAddedWithTheChosenPrefix) {
    choose(TargetKind::pingSweep);
    type(hostField_, QStringLiteral("10.0.0.1"));
    type(endHostField_, QStringLiteral("10.0.0.254"));
    EXPECT_EQ(status(),
              QStringLiteral("254 hosts \u00b7 10.0.0.1\u201310.0.0.254 \u00b7 10.0.0.0/24"));
    EXPECT_TRUE(canAdd());
    EXPECT_EQ(sheet_->width(), 430);

    maskPicker_->setCurrentIndex(maskPicker_->findText(QStringLiteral("/16")));
    EXPECT_EQ(status(),
              QStringLiteral("254 hosts \u00b7 10.0.0.1\u201310.0.0.254 \u00b7 10.0.0.0/16"));

    QTest::mouseClick(addButton_, Qt::LeftButton);
    ASSERT_EQ(added_.size(), 1u);
    EXPECT_EQ(added_[0], (TargetSpec{TargetKind::pingSweep, QStringLiteral("10.0.0.1"),
                                     QStringLiteral("10.0.0.254"), 16}));
    EXPECT_EQ(sheet_->result(), QDialog::Accepted);
    EXPECT_FALSE(sheet_->isVisible());
}

TEST_F(AddTargetSheetTest, ServiceSummariesAndMessage) {
    choose(TargetKind::serviceCheck);
    type(hostField_, QStringLiteral("db.example.com:5432"));
    EXPECT_EQ(status(), QStringLiteral("TCP connect to db.example.com port 5432 every 1s"));
    EXPECT_TRUE(canAdd());

    type(hostField_, QStringLiteral("https://example.com/status?full=1"));
    EXPECT_EQ(status(), QStringLiteral("HTTP check of https://example.com/status?full=1 every 5s"));
    EXPECT_TRUE(canAdd());

    // The absolute form of the URL, with what must be escaped escaped.
    type(hostField_, QStringLiteral("http://example.com/a%20b"));
    EXPECT_EQ(status(), QStringLiteral("HTTP check of http://example.com/a%20b every 5s"));

    type(hostField_, QStringLiteral("example.com"));
    EXPECT_EQ(status(), QStringLiteral("Use host:port (TCP) or an http(s):// URL"));
    EXPECT_FALSE(canAdd());
}

TEST_F(AddTargetSheetTest, SwitchingKindKeepsWhatWasTyped) {
    choose(TargetKind::pingSweep);
    type(hostField_, QStringLiteral("192.168.1.1"));
    type(endHostField_, QStringLiteral("192.168.1.50"));

    choose(TargetKind::serviceCheck);
    EXPECT_FALSE(endHostField_->isVisible());
    EXPECT_EQ(hostField_->text(), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(status(), QStringLiteral("Use host:port (TCP) or an http(s):// URL"));

    choose(TargetKind::pingSweep);
    EXPECT_EQ(hostField_->text(), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(endHostField_->text(), QStringLiteral("192.168.1.50"));
    EXPECT_TRUE(canAdd());
}

TEST_F(AddTargetSheetTest, OtherKindsIgnoreTheRangeFields) {
    choose(TargetKind::pingSweep);
    type(hostField_, QStringLiteral("192.168.1.1"));
    type(endHostField_, QStringLiteral("192.168.1.50"));
    maskPicker_->setCurrentIndex(maskPicker_->findText(QStringLiteral("/30")));
    choose(TargetKind::hostPing);

    QTest::mouseClick(addButton_, Qt::LeftButton);
    ASSERT_EQ(added_.size(), 1u);
    EXPECT_EQ(added_[0],
              (TargetSpec{TargetKind::hostPing, QStringLiteral("192.168.1.1"), QString(), 24}));
}

TEST_F(AddTargetSheetTest, ReturnInAnyFieldAddsOnceWhenValid) {
    choose(TargetKind::pingSweep);
    type(hostField_, QStringLiteral("10.1.0.1"));
    QTest::keyClick(hostField_, Qt::Key_Return);
    EXPECT_TRUE(added_.empty());
    EXPECT_TRUE(sheet_->isVisible());

    type(endHostField_, QStringLiteral("10.1.0.20"));
    QTest::keyClick(endHostField_, Qt::Key_Return);
    ASSERT_EQ(added_.size(), 1u);
    EXPECT_EQ(added_[0].endHost, QStringLiteral("10.1.0.20"));
    EXPECT_EQ(sheet_->result(), QDialog::Accepted);
}

TEST_F(AddTargetSheetTest, CancelAddsNothing) {
    type(hostField_, QStringLiteral("example.com"));
    QTest::mouseClick(cancelButton_, Qt::LeftButton);
    EXPECT_TRUE(added_.empty());
    EXPECT_EQ(sheet_->result(), QDialog::Rejected);
    EXPECT_FALSE(sheet_->isVisible());
}

TEST_F(AddTargetSheetTest, FieldsAreNamedAfterTheirCaptions) {
    EXPECT_EQ(kindPicker_->accessibleName(), QStringLiteral("Type"));
    EXPECT_EQ(hostField_->accessibleName(), QStringLiteral("IP address"));
    EXPECT_EQ(endHostField_->accessibleName(), QStringLiteral("End IP"));
    EXPECT_EQ(maskPicker_->accessibleName(), QStringLiteral("CIDR mask"));
    choose(TargetKind::pingSweep);
    EXPECT_EQ(hostField_->accessibleName(), QStringLiteral("Start IP"));
    choose(TargetKind::serviceCheck);
    EXPECT_EQ(hostField_->accessibleName(), QStringLiteral("Address"));
}

} // namespace
} // namespace vantorel
