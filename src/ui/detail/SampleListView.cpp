#include "ui/detail/SampleListView.h"

#include "monitor/PingMonitor.h"
#include "ui/controls/FocusRing.h"
#include "ui/controls/Glass.h"
#include "ui/controls/Icons.h"
#include "ui/detail/ResultRowStyle.h"
#include "ui/detail/SampleListAccessible.h"
#include "ui/detail/SampleListModel.h"
#include "ui/detail/SampleRowDelegate.h"

#include <QHashFunctions>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>

namespace vantorel {

namespace {
constexpr int kNowMargin = 10;
constexpr int kScrollDurationMs = 250;
} // namespace

SampleListView::SampleListView(std::shared_ptr<PingMonitor> monitor, QWidget* parent)
    : QAbstractItemView(parent)
    , model_(new SampleListModel(std::move(monitor), this))
    , delegate_(new SampleRowDelegate(this))
    , scroll_(nullptr, "value") {
    SampleListAccessible::install();
    setObjectName(QStringLiteral("sampleList"));
    setAccessibleName(QStringLiteral("Results"));
    // The rows' geometry, asked for from here on, needs the model and the delegate.
    setItemDelegate(delegate_);
    setModel(model_);
    resultrows::styleList(*this);
    setFocusPolicy(Qt::StrongFocus);

    connect(model_, &QAbstractItemModel::modelAboutToBeReset, this, &SampleListView::rememberTop);
    connect(model_, &QAbstractItemModel::modelReset, this, &SampleListView::restoreTop);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &SampleListView::trackTop);

    scroll_.setTargetObject(verticalScrollBar());
    scroll_.setDuration(kScrollDurationMs);
    scroll_.setEasingCurve(QEasingCurve::OutCubic);

    now_ = new QPushButton(QStringLiteral("Now"), this);
    now_->setObjectName(QStringLiteral("listNowButton"));
    now_->setToolTip(QStringLiteral("Jump to the newest result"));
    now_->setAccessibleName(QStringLiteral("Now"));
    now_->setCursor(Qt::PointingHandCursor);
    now_->setFocusPolicy(Qt::StrongFocus);
    now_->setIcon(icons::symbol(QStringLiteral("arrow.up.to.line"), QColor(11, 26, 42)));
    now_->setIconSize(QSize(12, 12));
    glass::styleButton(*now_, true);
    now_->setStyleSheet(
        now_->styleSheet() +
        QStringLiteral("QPushButton { padding: 4px 10px; font-size: 11px; }"
                       "QPushButton:focus { border: 2px solid palette(highlight); }"));
    now_->adjustSize();
    now_->hide();
    connect(now_, &QPushButton::clicked, this, &SampleListView::scrollToNewest);
}

int SampleListView::topRow() const {
    const int height = delegate_->rowHeight();
    return height > 0 ? verticalScrollBar()->value() / height : 0;
}

std::optional<std::int64_t> SampleListView::topSeq() const {
    if (const PingSample* sample = model_->sample(topRow()))
        return sample->id;
    return std::nullopt;
}

void SampleListView::setFollowTop(bool following) {
    if (following == followTop_)
        return;
    followTop_ = following;
    now_->setVisible(!following);
    if (!following)
        placeNowButton();
    Q_EMIT followTopChanged(following);
}

void SampleListView::trackTop() {
    if (adjusting_)
        return;
    setFollowTop(topRow() == 0);
}

void SampleListView::scrollToNewest() {
    scroll_.stop();
    scroll_.setStartValue(verticalScrollBar()->value());
    scroll_.setEndValue(0);
    scroll_.start();
}

void SampleListView::scrollToSeq(std::int64_t sequence) {
    if (const auto row = model_->rowOf(sequence))
        verticalScrollBar()->setValue(*row * delegate_->rowHeight());
}

QRect SampleListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid())
        return {};
    const int height = delegate_->rowHeight();
    return {0, index.row() * height - verticalOffset(), viewport()->width(), height};
}

void SampleListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    const QRect row = visualRect(index);
    if (row.isNull())
        return;
    QScrollBar& bar = *verticalScrollBar();
    if (hint == PositionAtTop || row.top() < 0)
        bar.setValue(bar.value() + row.top());
    else if (row.bottom() >= viewport()->height())
        bar.setValue(bar.value() + row.bottom() + 1 - viewport()->height());
}

QModelIndex SampleListView::indexAt(const QPoint& point) const {
    const int height = delegate_->rowHeight();
    const int y = point.y() + verticalOffset();
    if (height <= 0 || y < 0 || !viewport()->rect().contains(point))
        return {};
    return model_->index(y / height, 0);
}

int SampleListView::verticalOffset() const {
    return verticalScrollBar()->value();
}

QModelIndex SampleListView::moveCursor(CursorAction, Qt::KeyboardModifiers) {
    // The rows are read, not chosen: the keys scroll instead (keyPressEvent).
    return {};
}

void SampleListView::updateGeometries() {
    QAbstractItemView::updateGeometries();
    const int height = delegate_->rowHeight();
    QScrollBar& bar = *verticalScrollBar();
    bar.setSingleStep(height);
    bar.setPageStep(std::max(height, viewport()->height() - height));
    bar.setRange(0, std::max(0, model_->rowCount() * height - viewport()->height()));
}

void SampleListView::keyPressEvent(QKeyEvent* event) {
    QScrollBar& bar = *verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_Up:
        bar.triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Down:
        bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_PageUp:
        bar.triggerAction(QAbstractSlider::SliderPageStepSub);
        break;
    case Qt::Key_PageDown:
        bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
        break;
    case Qt::Key_End:
        scrollToNewest();
        break;
    default:
        QAbstractItemView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void SampleListView::focusInEvent(QFocusEvent* event) {
    QAbstractItemView::focusInEvent(event);
    keyboardFocus_ = event->reason() != Qt::MouseFocusReason;
    viewport()->update();
}

void SampleListView::focusOutEvent(QFocusEvent* event) {
    QAbstractItemView::focusOutEvent(event);
    keyboardFocus_ = false;
    viewport()->update();
}

void SampleListView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    updateGeometries();
    // On the way to the top the animation owns the offset; it ends at the newest row whatever
    // arrives meanwhile.
    if (scroll_.state() == QAbstractAnimation::Running)
        return;
    adjusting_ = true;
    if (followTop_) {
        // Shown at once: a list that follows the newest sample does not slide.
        verticalScrollBar()->setValue(0);
        viewport()->update();
    } else {
        // The rows the user reads moved down by the inserted ones: move the offset along before
        // anything is painted. They are then where they were on screen, and nothing is repainted
        // (scrollContentsBy).
        verticalScrollBar()->setValue(verticalScrollBar()->value() +
                                      (end - start + 1) * delegate_->rowHeight());
    }
    adjusting_ = false;
}

void SampleListView::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    // The oldest rows go from the end of the list; painted afresh only when they are in view.
    if (visualRect(model_->index(start, 0)).top() < viewport()->height())
        viewport()->update();
}

void SampleListView::scrollContentsBy(int dx, int dy) {
    // The offset moving along with new rows above leaves the rows on screen in place.
    if (!adjusting_ || followTop_)
        QAbstractItemView::scrollContentsBy(dx, dy);
}

void SampleListView::rememberTop() {
    topBeforeReset_ = followTop_ ? std::nullopt : topSeq();
}

void SampleListView::restoreTop() {
    adjusting_ = true;
    updateGeometries();
    if (topBeforeReset_)
        scrollToSeq(*topBeforeReset_);
    else
        verticalScrollBar()->setValue(0);
    adjusting_ = false;
    trackTop();
}

const QPixmap& SampleListView::rowImage(int row, const QStyleOptionViewItem& option) {
    static const QPixmap none;
    const PingSample* sample = model_->sample(row);
    if (!sample)
        return none;
    if (const QPixmap* cached = rowImages_.object(sample->id))
        return *cached;
    const double ratio = devicePixelRatioF();
    auto* image = new QPixmap(option.rect.size() * ratio);
    image->setDevicePixelRatio(ratio);
    image->fill(Qt::transparent);
    QPainter painter(image);
    delegate_->paint(&painter, option, model_->index(row, 0));
    painter.end();
    rowImages_.insert(sample->id, image);
    return *image;
}

void SampleListView::paintNowShadow(QPainter& painter) {
    // Lifts the button off the rows it floats over. Drawn here, under it, rather than by a
    // graphics effect, which would render the button again for every paint of the rows.
    constexpr int kSpread = 7;
    const QRect button = now_->geometry().translated(-viewport()->pos());
    if (nowShadow_.size() != button.size() + QSize(2 * kSpread, 2 * kSpread)) {
        nowShadow_ = QPixmap(button.size() + QSize(2 * kSpread, 2 * kSpread));
        nowShadow_.fill(Qt::transparent);
        QPainter shadow(&nowShadow_);
        shadow.setRenderHint(QPainter::Antialiasing);
        shadow.setPen(Qt::NoPen);
        // Layers of faint rounded rectangles, each a little smaller: a soft edge without a blur.
        for (int inset = 0; inset < kSpread; ++inset) {
            shadow.setBrush(QColor(0, 0, 0, 90 / kSpread));
            const QRectF layer = QRectF(nowShadow_.rect()).adjusted(inset, inset, -inset, -inset);
            shadow.drawRoundedRect(layer, 10 + kSpread - inset, 10 + kSpread - inset);
        }
    }
    painter.drawPixmap(button.topLeft() + QPoint(-kSpread, 2 - kSpread), nowShadow_);
}

void SampleListView::paintEvent(QPaintEvent* event) {
    const resultrows::Look look = resultrows::Look::current();
    const int width = viewport()->width();
    const std::size_t key =
        qHashMulti(0, look.dark, look.thresholds.green, look.thresholds.yellow, look.green.rgba(),
                   look.yellow.rgba(), look.red.rgba(), look.primary.rgba(), look.secondary.rgba(),
                   look.divider.rgba(), width, devicePixelRatioF());
    if (key != rowImagesKey_) {
        rowImages_.clear();
        rowImagesKey_ = key;
        delegate_->setLook(look);
    }
    QPainter painter(viewport());
    const int height = delegate_->rowHeight();
    const QRect area = event->rect();
    const int offset = verticalOffset();
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = QRect(0, 0, width, height);
    // Only the rows the area shows: their numbers follow from the offset.
    const int last = std::min(model_->rowCount() - 1, (offset + area.bottom()) / height);
    for (int row = std::max(0, (offset + area.top()) / height); row <= last; ++row)
        painter.drawPixmap(0, row * height - offset, rowImage(row, option));
    if (now_->isVisible())
        paintNowShadow(painter);
    if (keyboardFocus_ && hasFocus())
        focus_ring::paint(painter, viewport()->rect(), 6);
}

void SampleListView::resizeEvent(QResizeEvent* event) {
    QAbstractItemView::resizeEvent(event);
    // The rows in view and as many again: enough for scrolling back and forth a little.
    rowImages_.setMaxCost(2 * (viewport()->height() / delegate_->rowHeight() + 2));
    updateGeometries();
    placeNowButton();
}

void SampleListView::placeNowButton() {
    const QRect area = viewport()->geometry();
    const QSize size = now_->sizeHint();
    now_->setGeometry(area.right() + 1 - kNowMargin - size.width(),
                      area.bottom() + 1 - kNowMargin - size.height(), size.width(), size.height());
    now_->raise();
}

} // namespace vantorel
