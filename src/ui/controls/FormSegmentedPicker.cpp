#include "ui/controls/FormSegmentedPicker.h"

#include "ui/controls/FocusRing.h"
#include "ui/controls/FormStyle.h"
#include "ui/controls/Theme.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>

namespace vantorel {

namespace {

constexpr int inset = 2;

// The track's height: 26 at the default font, more for a larger one.
int trackHeightFor(const QFontMetrics& metrics) {
    return std::max(26, metrics.height() + 10);
}

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
        // Reads as one of a set of radio buttons; the picker's group keeps them exclusive.
        setAutoExclusive(true);
        setAttribute(Qt::WA_Hover);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override {
        return {fontMetrics().horizontalAdvance(text()) + 24,
                trackHeightFor(fontMetrics()) - 2 * inset};
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
        segment->installEventFilter(this);
    }
    updateTabStop();
    connect(&group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (!checked || id == current_)
            return;
        current_ = id;
        updateTabStop();
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
    updateTabStop();
    update();
    Q_EMIT currentIndexChanged(-1);
}

QSize FormSegmentedPicker::sizeHint() const {
    int widest = 0;
    for (const QAbstractButton* segment : segments_)
        widest = std::max(widest, segment->sizeHint().width());
    return {widest * int(segments_.size()) + 2 * inset, trackHeightFor(fontMetrics())};
}

void FormSegmentedPicker::updateTabStop() {
    // One tab stop for the whole picker, as for a group of radio buttons: the chosen segment, or
    // the first while none is chosen. The arrow keys reach the others.
    const int stop = std::max(current_, 0);
    for (int i = 0; i < count(); ++i)
        segments_[i]->setFocusPolicy(i == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

bool FormSegmentedPicker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int from = int(segments_.indexOf(static_cast<QAbstractButton*>(watched)));
    int to = -1;
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        to = (from + count() - 1) % count();
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        to = (from + 1) % count();
        break;
    case Qt::Key_Home:
        to = 0;
        break;
    case Qt::Key_End:
        to = count() - 1;
        break;
    default:
        return QWidget::eventFilter(watched, event);
    }
    // Moving is choosing, as in a radio group.
    segments_[to]->click();
    focus_ring::moveTo(*segments_[to]);
    return true;
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
