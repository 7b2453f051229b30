#include "ui/preferences/PreferencesSection.h"

#include "ui/controls/FormStyle.h"
#include "ui/controls/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace vantorel {

namespace {
constexpr double boxRadius = 8;
constexpr int rowHeight = 34;
constexpr int rowPadding = 12;
} // namespace

// The rounded box; it draws the hairlines between its rows, which are its direct children.
class PreferencesSection::Box : public QWidget {
public:
    using QWidget::QWidget;

    bool dark = false;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(form_style::groupEdge(dark), 1.0));
        painter.setBrush(form_style::groupFill(dark));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), boxRadius,
                                boxRadius);

        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(form_style::separator(dark), 1.0));
        QList<QWidget*> rows;
        for (QObject* child : children()) {
            if (auto* row = qobject_cast<QWidget*>(child); row && row->isVisible())
                rows.append(row);
        }
        std::sort(rows.begin(), rows.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
        for (qsizetype i = 1; i < rows.size(); ++i) {
            const int y = rows[i]->y();
            painter.drawLine(rowPadding, y, width() - rowPadding, y);
        }
    }
};

PreferencesSection::PreferencesSection(const QString& title, QWidget* parent)
    : QWidget(parent) {
    title_ = new QLabel(title, this);
    title_->setFont(theme::font(theme::TextStyle::headline));
    title_->setContentsMargins(4, 0, 0, 0);
    box_ = new Box(this);
    rows_ = new QVBoxLayout(box_);
    rows_->setContentsMargins(0, 0, 0, 0);
    rows_->setSpacing(0);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(title_);
    layout->addWidget(box_);
    primaryLabels_.append(title_);
}

QLabel* PreferencesSection::addRow(const QString& label, QWidget* control, const QString& unit) {
    auto* row = new QWidget(box_);
    row->setMinimumHeight(rowHeight);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(rowPadding, 4, rowPadding, 4);
    layout->setSpacing(6);

    auto* name = new QLabel(label, row);
    name->setBuddy(control);
    primaryLabels_.append(name);
    layout->addWidget(name, 1);
    control->setParent(row);
    control->setAccessibleName(label);
    layout->addWidget(control, 0, Qt::AlignVCenter);

    QLabel* unitLabel = nullptr;
    if (!unit.isEmpty()) {
        unitLabel = new QLabel(unit, row);
        // Units line up in a column of their own, whatever their length.
        unitLabel->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("minutes")));
        control->setAccessibleDescription(unit);
        secondaryLabels_.append(unitLabel);
        layout->addWidget(unitLabel);
    }
    rows_->addWidget(row);
    return unitLabel;
}

QLabel* PreferencesSection::addCaption(const QString& text) {
    auto* caption = new QLabel(text, box_);
    caption->setFont(theme::font(theme::TextStyle::caption));
    caption->setWordWrap(true);
    caption->setContentsMargins(rowPadding, 8, rowPadding, 9);
    secondaryLabels_.append(caption);
    rows_->addWidget(caption);
    return caption;
}

void PreferencesSection::applyColourScheme(bool dark) {
    box_->dark = dark;
    const auto colour = [](QLabel* label, const QColor& colour) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
    };
    for (QLabel* label : primaryLabels_)
        colour(label, form_style::primaryText(dark));
    for (QLabel* label : secondaryLabels_)
        colour(label, form_style::secondaryText(dark));
    colour(title_, form_style::secondaryText(dark));
    box_->update();
}

} // namespace vantorel
