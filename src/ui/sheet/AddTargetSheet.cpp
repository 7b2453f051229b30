#include "ui/sheet/AddTargetSheet.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "targets/TargetForm.h"
#include "ui/controls/DesktopColourScheme.h"
#include "ui/controls/FormSegmentedPicker.h"
#include "ui/controls/FormStyle.h"
#include "ui/controls/FormTextField.h"
#include "ui/controls/Glass.h"
#include "ui/controls/Icons.h"
#include "ui/controls/Theme.h"
#include "ui/rules/AddTargetSummary.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace vantorel {

namespace {

constexpr int sheetWidth = 430;
constexpr int padding = 24;
constexpr int contentWidth = sheetWidth - 2 * padding;
constexpr int statusIconSize = 13;

// A one-line label that shortens its text in the middle rather than widening the sheet: a long
// URL keeps its scheme and its end in view. text() stays the whole text.
class ElidingLabel : public QLabel {
public:
    using QLabel::QLabel;

    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }
    QSize sizeHint() const override { return {0, QLabel::sizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, width());
        painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, shown);
    }
};

QLabel* fieldCaption(const QString& text, QWidget* parent) {
    auto* caption = new QLabel(text, parent);
    caption->setFont(theme::font(theme::TextStyle::callout));
    return caption;
}

// A caption above its control.
QWidget* column(QLabel* caption, QWidget* control, QWidget* parent) {
    auto* holder = new QWidget(parent);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    layout->addWidget(caption);
    layout->addWidget(control);
    caption->setBuddy(control);
    return holder;
}

QLineEdit* textField(const QString& objectName, QWidget* parent) {
    auto* field = new FormTextField(parent);
    field->setObjectName(objectName);
    field->setFont(theme::font(theme::TextStyle::body));
    field->setMinimumWidth(0);
    return field;
}

QString hostCaptionText(TargetKind kind) {
    switch (kind) {
    case TargetKind::hostPing:
        return QStringLiteral("IP address");
    case TargetKind::pingSweep:
        return QStringLiteral("Start IP");
    case TargetKind::traceroute:
        return QStringLiteral("Destination");
    case TargetKind::serviceCheck:
        break;
    }
    return QStringLiteral("Address");
}

QString hostHint(TargetKind kind) {
    switch (kind) {
    case TargetKind::hostPing:
        return QStringLiteral("e.g. 192.0.2.10 or example.com");
    case TargetKind::pingSweep:
        return QStringLiteral("e.g. 192.168.1.1");
    case TargetKind::traceroute:
        return QStringLiteral("e.g. 198.51.100.7 or example.org");
    case TargetKind::serviceCheck:
        break;
    }
    return QStringLiteral("e.g. 10.0.0.5:22 or https://example.com");
}

} // namespace

AddTargetSheet::AddTargetSheet(QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("addTargetSheet"));
    setWindowTitle(QStringLiteral("Add Target"));
    setWindowModality(Qt::WindowModal);
    setFont(theme::font(theme::TextStyle::body));

    auto* heading = new QLabel(QStringLiteral("Add Target"), this);
    heading->setFont(theme::font(theme::TextStyle::title3, true));

    QStringList kindLabels;
    for (const TargetKind kind : allTargetKinds)
        kindLabels.append(label(kind));
    kindPicker_ = new FormSegmentedPicker(kindLabels, this);
    kindPicker_->setObjectName(QStringLiteral("kindPicker"));
    kindPicker_->setAccessibleName(QStringLiteral("Type"));
    // The sheet's width, or more where a large desktop font needs it for the kinds' names.
    const int width = std::max(theme::scaled(contentWidth), kindPicker_->sizeHint().width());
    kindPicker_->setFixedWidth(width);
    kindPicker_->setCurrentIndex(targetKindPosition(TargetKind::hostPing));

    // One host field serves every kind, so that switching kind keeps what was typed.
    hostCaption_ = fieldCaption(QString(), this);
    hostField_ = textField(QStringLiteral("hostField"), this);
    auto* endHostCaption = fieldCaption(QStringLiteral("End IP"), this);
    endHostField_ = textField(QStringLiteral("endHostField"), this);
    endHostField_->setPlaceholderText(QStringLiteral("e.g. 192.168.1.50"));
    endHostField_->setAccessibleName(QStringLiteral("End IP"));

    auto* maskCaption = fieldCaption(QStringLiteral("CIDR mask"), this);
    maskPicker_ = new QComboBox(this);
    maskPicker_->setObjectName(QStringLiteral("maskPicker"));
    maskPicker_->setAccessibleName(QStringLiteral("CIDR mask"));
    maskPicker_->setFixedSize(theme::scaled(90), hostField_->sizeHint().height());
    for (int prefix = kFirstSweepPrefix; prefix <= kLastSweepPrefix; ++prefix)
        maskPicker_->addItem(QStringLiteral("/%1").arg(prefix), prefix);
    maskPicker_->setCurrentIndex(kDefaultSweepPrefix - kFirstSweepPrefix);

    captions_ = {hostCaption_, endHostCaption, maskCaption};
    auto* hostColumn = column(hostCaption_, hostField_, this);
    endHostColumn_ = column(endHostCaption, endHostField_, this);
    maskColumn_ = column(maskCaption, maskPicker_, this);
    // The fields share the sheet's width, whatever their texts would like.
    auto* fieldRow = new QWidget(this);
    fieldRow->setFixedWidth(width);
    auto* fields = new QHBoxLayout(fieldRow);
    fields->setContentsMargins(0, 0, 0, 0);
    fields->setSpacing(8);
    fields->addWidget(hostColumn, 1, Qt::AlignTop);
    fields->addWidget(endHostColumn_, 1, Qt::AlignTop);
    fields->addWidget(maskColumn_, 0, Qt::AlignTop);

    statusIcon_ = new QLabel(this);
    statusIcon_->setFixedSize(statusIconSize, statusIconSize);
    statusLine_ = new ElidingLabel(this);
    statusLine_->setObjectName(QStringLiteral("statusLine"));
    statusLine_->setFont(theme::font(theme::TextStyle::caption));
    auto* status = new QHBoxLayout;
    status->setSpacing(5);
    status->addWidget(statusIcon_);
    status->addWidget(statusLine_, 1);
    // The line keeps its height when empty, so the buttons do not jump as the entry changes.
    statusLine_->setFixedHeight(
        std::max(statusIconSize + 3, statusLine_->fontMetrics().height() + 2));

    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    addButton_ = new QPushButton(QStringLiteral("Add"), this);
    addButton_->setObjectName(QStringLiteral("addButton"));
    // Return adds (through the dialog's default button) and never cancels, whichever has focus.
    cancelButton_->setAutoDefault(false);
    addButton_->setAutoDefault(false);
    addButton_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addStretch(1);
    buttons->addWidget(cancelButton_);
    buttons->addWidget(addButton_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(14);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(heading);
    layout->addWidget(kindPicker_);
    layout->addWidget(fieldRow);
    layout->addLayout(status);
    layout->addSpacing(2);
    layout->addLayout(buttons);

    connect(kindPicker_, &FormSegmentedPicker::currentIndexChanged, this, [this] {
        showFieldsOfKind();
        refreshStatus();
    });
    connect(hostField_, &QLineEdit::textChanged, this, &AddTargetSheet::refreshStatus);
    connect(endHostField_, &QLineEdit::textChanged, this, &AddTargetSheet::refreshStatus);
    connect(maskPicker_, &QComboBox::currentIndexChanged, this, &AddTargetSheet::refreshStatus);
    connect(addButton_, &QPushButton::clicked, this, &AddTargetSheet::addIfPossible);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    connect(&Preferences::instance(), &Preferences::changed, this, [this](const QString& key) {
        if (key == keys::appearance || key == keys::glassEnabled)
            applyColourScheme();
    });
    connect(&DesktopColourScheme::instance(), &DesktopColourScheme::changed, this,
            &AddTargetSheet::applyColourScheme);

    applyColourScheme();
    showFieldsOfKind();
    refreshStatus();
    hostField_->setFocus();
}

TargetKind AddTargetSheet::kind() const {
    return allTargetKinds[std::size_t(std::max(kindPicker_->currentIndex(), 0))];
}

int AddTargetSheet::chosenPrefix() const {
    return maskPicker_->currentData().toInt();
}

std::optional<TargetSpec> AddTargetSheet::specToAdd() const {
    return specFromForm(kind(), hostField_->text(), endHostField_->text(), chosenPrefix());
}

void AddTargetSheet::showFieldsOfKind() {
    const TargetKind chosen = kind();
    const bool sweep = chosen == TargetKind::pingSweep;
    hostCaption_->setText(hostCaptionText(chosen));
    hostField_->setPlaceholderText(hostHint(chosen));
    hostField_->setAccessibleName(hostCaptionText(chosen));
    endHostColumn_->setVisible(sweep);
    maskColumn_->setVisible(sweep);
}

void AddTargetSheet::refreshStatus() {
    const bool dark = theme::isDark();
    const std::optional<QString> message =
        validationMessage(kind(), hostField_->text(), endHostField_->text());
    const std::optional<TargetSpec> spec = specToAdd();
    std::optional<QString> summary;
    if (!message && spec)
        summary = addTargetSummary(*spec);

    QString text;
    QString symbol;
    QColor colour;
    if (message) {
        text = *message;
        symbol = QStringLiteral("exclamationmark.triangle");
        colour = form_style::warningText(dark);
    } else if (summary) {
        text = *summary;
        symbol = QStringLiteral("checkmark.circle");
        colour = form_style::successText(dark);
    }
    QPalette linePalette = statusLine_->palette();
    linePalette.setColor(QPalette::WindowText, colour);
    statusLine_->setPalette(linePalette);
    statusLine_->setText(text);
    statusLine_->setToolTip(text);
    const QIcon icon = symbol.isEmpty() ? QIcon() : icons::symbol(symbol, colour);
    statusIcon_->setPixmap(
        icon.isNull() ? QPixmap()
                      : icon.pixmap(QSize(statusIconSize, statusIconSize), devicePixelRatioF()));
    // Without its symbol the text starts where the symbol would have been.
    statusIcon_->setVisible(!icon.isNull());
    addButton_->setEnabled(spec.has_value());
}

void AddTargetSheet::addIfPossible() {
    const std::optional<TargetSpec> spec = specToAdd();
    if (!spec)
        return;
    Q_EMIT addRequested(*spec);
    accept();
}

void AddTargetSheet::applyColourScheme() {
    const bool dark = theme::isDark();
    setPalette(form_style::palette(dark));
    for (QLabel* caption : captions_) {
        QPalette captionPalette = caption->palette();
        captionPalette.setColor(QPalette::WindowText, form_style::secondaryText(dark));
        caption->setPalette(captionPalette);
    }
    glass::styleButton(*cancelButton_, false);
    glass::styleButton(*addButton_, true);
    refreshStatus();
}

} // namespace vantorel
