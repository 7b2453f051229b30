#include "ui/controls/FormSegmentedPicker.h"

#include "ui/controls/FormStyle.h"
#include "ui/controls/Theme.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QPainter>

namespace vantorel {

namespace {

constexpr int trackHeight = 26;
constexpr int inset = 2;

bool isDarkPalette(const QWidget& widget) {
    return widget.palette().color(QPalette::Window).lightness() < 128;
}

// One segment: its label, on a raised pill when chosen.
class Segment : public QAbstractButton {
public:
    Segment(const QString& text, QWidget* parent)
        : QAbstractButton(parent) {
        setText(text);
        setCheckable(true);
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_Hover);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        return {fontMetrics().horizontalAdvance(text()) + 24, trackHeight - 2 * inset};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const bool dark = isDarkPalette(*this);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF pill = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        if (isChecked()) {
            if (!dark) {
                painter.setPen(Qt::NoPen);
                painter.setBrush(QColor(0, 0, 0, 28));
                painter.drawRoundedRect(pill.translated(0, 0.8), 5.5, 5.5);
            }
            painter.setPen(
                QPen(QColor(dark ? 255 : 0, dark ? 255 : 0, dark ? 255 : 0, dark ? 30 : 18), 1.0));
            painter.setBrush(form_style::selectedSegmentFill(dark));
            painter.drawRoundedRect(pill, 5.5, 5.5);
        } else if (underMouse() || isDown()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(
                QColor(dark ? 255 : 0, dark ? 255 : 0, dark ? 255 : 0, isDown() ? 26 : 14));
            painter.drawRoundedRect(pill, 5.5, 5.5);
        }
        if (hasFocus() && focusRing_) {
            QColor ring = theme::accent();
            ring.setAlphaF(0.7f);
            painter.setPen(QPen(ring, 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(pill.adjusted(0.75, 0.75, -0.75, -0.75), 5, 5);
        }
        painter.setPen(form_style::primaryText(dark));
        painter.drawText(rect(), Qt::AlignCenter, text());
    }

    void focusInEvent(QFocusEvent* event) override {
        focusRing_ = form_style::showsFocusRing(event->reason());
        QAbstractButton::focusInEvent(event);
    }

private:
    bool focusRing_ = false;
};

} // namespace

FormSegmentedPicker::FormSegmentedPicker(const QStringList& labels, QWidget* parent)
    : QWidget(parent) {
    setFont(theme::font(theme::TextStyle::callout));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(inset, inset, inset, inset);
    layout->setSpacing(0);
    group_.setExclusive(true);
    for (const QString& label : labels) {
        auto* segment = new Segment(label, this);
        // Every segment gets its label's width and an equal share of the rest, so that a long
        // label is not crowded against its neighbours.
        layout->addWidget(segment);
        group_.addButton(segment, int(segments_.size()));
        segments_.append(segment);
    }
    connect(&group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (!checked || id == current_)
            return;
        current_ = id;
        update();
        Q_EMIT currentIndexChanged(id);
    });
    connect(&group_, &QButtonGroup::idClicked, this, [this](int id) { Q_EMIT activated(id); });
}

int FormSegmentedPicker::currentIndex() const {
    return current_;
}

void FormSegmentedPicker::setCurrentIndex(int index) {
    if (index == current_)
        return;
    if (QAbstractButton* chosen = segments_.value(index)) {
        chosen->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; lifting the rule for a moment clears it.
    group_.setExclusive(false);
    for (QAbstractButton* segment : segments_)
        segment->setChecked(false);
    group_.setExclusive(true);
    current_ = -1;
    update();
    Q_EMIT currentIndexChanged(-1);
}

QSize FormSegmentedPicker::sizeHint() const {
    int widest = 0;
    for (const QAbstractButton* segment : segments_)
        widest = std::max(widest, segment->sizeHint().width());
    return {widest * int(segments_.size()) + 2 * inset, trackHeight};
}

QSize FormSegmentedPicker::minimumSizeHint() const {
    return sizeHint();
}

void FormSegmentedPicker::paintEvent(QPaintEvent*) {
    const bool dark = isDarkPalette(*this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(form_style::trackFill(dark));
    painter.drawRoundedRect(QRectF(rect()), 7, 7);

    // Hairlines keep neighbouring unchosen segments apart; the chosen pill needs none.
    painter.setPen(QPen(form_style::separator(dark), 1.0));
    for (int i = 1; i < count(); ++i) {
        if (i == current_ || i - 1 == current_)
            continue;
        const double x = segments_[i]->geometry().left();
        painter.drawLine(QPointF(x, 7), QPointF(x, height() - 7));
    }
}

} // namespace vantorel
