#include "ui/detail/SampleListView.h"

#include "monitor/PingMonitor.h"
#include "ui/controls/Glass.h"
#include "ui/controls/Icons.h"
#include "ui/detail/ResultRowStyle.h"
#include "ui/detail/SampleListModel.h"
#include "ui/detail/SampleRowDelegate.h"

#include <QGraphicsDropShadowEffect>
#include <QPushButton>
#include <QScrollBar>

namespace vantorel {

namespace {
constexpr int kNowMargin = 10;
constexpr int kScrollDurationMs = 250;
} // namespace

SampleListView::SampleListView(std::shared_ptr<PingMonitor> monitor, QWidget* parent)
    : QListView(parent)
    , scroll_(nullptr, "value") {
    setObjectName(QStringLiteral("sampleList"));
    setAccessibleName(QStringLiteral("Results"));
    resultrows::styleList(*this);
    setLayoutMode(QListView::SinglePass);

    delegate_ = new SampleRowDelegate(this);
    setItemDelegate(delegate_);
    model_ = new SampleListModel(std::move(monitor), this);
    setModel(model_);
    verticalScrollBar()->setSingleStep(delegate_->rowHeight());

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
    now_->setFocusPolicy(Qt::NoFocus);
    now_->setIcon(icons::symbol(QStringLiteral("arrow.up.to.line"), QColor(11, 26, 42)));
    now_->setIconSize(QSize(12, 12));
    glass::styleButton(*now_, true);
    now_->setStyleSheet(now_->styleSheet() +
                        QStringLiteral("QPushButton { padding: 4px 10px; font-size: 11px; }"));
    // Lifted off the rows it floats over.
    auto* shadow = new QGraphicsDropShadowEffect(now_);
    shadow->setBlurRadius(14);
    shadow->setOffset(0, 2);
    shadow->setColor(QColor(0, 0, 0, 90));
    now_->setGraphicsEffect(shadow);
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

void SampleListView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QListView::rowsInserted(parent, start, end);
    // On the way to the top the animation owns the offset; it ends at the newest row whatever
    // arrives meanwhile.
    if (scroll_.state() == QAbstractAnimation::Running)
        return;
    adjusting_ = true;
    if (followTop_) {
        // Shown at once: a list that follows the newest sample does not slide.
        verticalScrollBar()->setValue(0);
    } else {
        // The rows the user reads moved down by the inserted ones: lay out now, so that the
        // scroll range has room for them, and move the offset along before anything is painted.
        const int value = verticalScrollBar()->value();
        doItemsLayout();
        verticalScrollBar()->setValue(value + (end - start + 1) * delegate_->rowHeight());
    }
    adjusting_ = false;
}

void SampleListView::rememberTop() {
    topBeforeReset_ = followTop_ ? std::nullopt : topSeq();
}

void SampleListView::restoreTop() {
    adjusting_ = true;
    doItemsLayout();
    if (topBeforeReset_)
        scrollToSeq(*topBeforeReset_);
    else
        verticalScrollBar()->setValue(0);
    adjusting_ = false;
    trackTop();
}

void SampleListView::paintEvent(QPaintEvent* event) {
    delegate_->setLook(resultrows::Look::current());
    QListView::paintEvent(event);
}

void SampleListView::resizeEvent(QResizeEvent* event) {
    QListView::resizeEvent(event);
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
