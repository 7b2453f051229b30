#include "ui/detail/ResultsPane.h"

#include "settings/Preferences.h"
#include "targets/Target.h"
#include "ui/controls/DesktopColourScheme.h"
#include "ui/controls/FocusRing.h"
#include "ui/controls/Glass.h"
#include "ui/controls/TargetStatus.h"
#include "ui/controls/Theme.h"
#include "ui/detail/ResultChip.h"
#include "ui/detail/SampleListView.h"
#include "ui/detail/SweepHostList.h"
#include "ui/rules/ChipText.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

namespace vantorel {

namespace {

constexpr double kCornerRadius = 28;
constexpr int kPadding = 22;
constexpr int kChipSpacing = 6;

QString alive() {
    return QStringLiteral("alive");
}
QString dead() {
    return QStringLiteral("dead");
}
QString total() {
    return QStringLiteral("total");
}

} // namespace

ResultsPane::ResultsPane(std::shared_ptr<Target> target, QWidget* parent)
    : QWidget(parent)
    , target_(std::move(target)) {
    setObjectName(QStringLiteral("resultsPane"));
    const bool sweep = target_->spec().kind == TargetKind::pingSweep;
    setAccessibleName((sweep ? QStringLiteral("Hosts of %1") : QStringLiteral("Results of %1"))
                          .arg(target_->spec().displayName()));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(12);
    header_ = new QHBoxLayout;
    header_->setSpacing(kChipSpacing);
    title_ = new QLabel(sweep ? QStringLiteral("Hosts") : QStringLiteral("Results"), this);
    title_->setObjectName(QStringLiteral("resultsTitle"));
    title_->setFont(theme::font(theme::TextStyle::headline));
    header_->addWidget(title_, 0, Qt::AlignVCenter);
    header_->addSpacing(10 - kChipSpacing);
    chipRow_ = new QWidget(this);
    chipLayout_ = new QHBoxLayout(chipRow_);
    chipLayout_->setContentsMargins(0, 0, 0, 0);
    chipLayout_->setSpacing(kChipSpacing);
    header_->addWidget(chipRow_, 0, Qt::AlignVCenter);
    column->addLayout(header_);

    if (sweep)
        buildSweep();
    else
        buildStatistics();
    header_->addStretch(1);
    column->addWidget(sweep ? static_cast<QWidget*>(hosts_) : samples_, 1);

    connect(target_.get(), &Target::changed, this, &ResultsPane::refresh);
    // Colours and the threshold-dependent figures follow the preferences and the desktop.
    const auto restyle = [this] {
        refresh();
        update();
        if (QAbstractItemView* list = samples_ ? static_cast<QAbstractItemView*>(samples_) : hosts_)
            list->viewport()->update();
    };
    connect(&Preferences::instance(), &Preferences::changed, this, restyle);
    connect(&DesktopColourScheme::instance(), &DesktopColourScheme::changed, this, restyle);
    refresh();
}

ResultChip* ResultsPane::addChip(const QString& label, const QString& objectName) {
    auto* chip = new ResultChip(label, this);
    chip->setObjectName(objectName);
    chip->setAccessibleName(QStringLiteral("%1 of %2").arg(label, target_->spec().displayName()));
    chip->installEventFilter(this);
    // The row is one tab stop, its first chip to begin with.
    chip->setFocusPolicy(chipOrder_.empty() ? Qt::TabFocus : Qt::NoFocus);
    chipLayout_->addWidget(chip, 0, Qt::AlignVCenter);
    chips_[label] = chip;
    chipOrder_.push_back(chip);
    return chip;
}

bool ResultsPane::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Left && key != Qt::Key_Right)
        return QWidget::eventFilter(watched, event);
    // Left and Right walk the row, skipping chips not shown; the chip reached becomes the row's
    // tab stop.
    const auto from = std::find(chipOrder_.begin(), chipOrder_.end(), watched);
    if (from == chipOrder_.end())
        return false;
    const std::ptrdiff_t step = key == Qt::Key_Left ? -1 : 1;
    for (std::ptrdiff_t i = (from - chipOrder_.begin()) + step;
         i >= 0 && i < std::ptrdiff_t(chipOrder_.size()); i += step) {
        ResultChip* next = chipOrder_[std::size_t(i)];
        if (next->isHidden())
            continue;
        (*from)->setFocusPolicy(Qt::NoFocus);
        next->setFocusPolicy(Qt::TabFocus);
        focus_ring::moveTo(*next);
        break;
    }
    return true;
}

void ResultsPane::buildSweep() {
    hosts_ = new SweepHostList(target_, this);
    ResultChip* aliveChip = addChip(alive(), QStringLiteral("aliveChip"));
    ResultChip* deadChip = addChip(dead(), QStringLiteral("deadChip"));
    ResultChip* totalChip = addChip(total(), QStringLiteral("totalChip"));
    connect(aliveChip, &ResultChip::clicked, this, [this] { setFilter(!showAlive_, showDead_); });
    connect(deadChip, &ResultChip::clicked, this, [this] { setFilter(showAlive_, !showDead_); });
    connect(totalChip, &ResultChip::clicked, this, [this] { setFilter(true, true); });
}

void ResultsPane::buildStatistics() {
    const auto& monitors = target_->monitors();
    samples_ = new SampleListView(monitors.empty() ? nullptr : monitors.front(), this);
    for (const char* label : {"avg", "min", "max", "jitter", "loss", "MOS"})
        addChip(QString::fromLatin1(label), QStringLiteral("chip_") + QLatin1String(label));
    if (target_->spec().kind == TargetKind::serviceCheck)
        addChip(QStringLiteral("HTTP"), QStringLiteral("chip_HTTP"))->hide();
}

void ResultsPane::setFilter(bool showAlive, bool showDead) {
    showAlive_ = showAlive;
    showDead_ = showDead;
    hosts_->setFilter(showAlive, showDead);
    refreshSweep();
}

bool ResultsPane::followsTop() const {
    return samples_ ? samples_->followsTop() : true;
}

std::optional<std::int64_t> ResultsPane::topSeq() const {
    return samples_ ? samples_->topSeq() : std::nullopt;
}

void ResultsPane::refresh() {
    if (hosts_) {
        hosts_->refresh();
        refreshSweep();
    } else {
        refreshStatistics();
    }
}

void ResultsPane::refreshSweep() {
    const Target& target = *target_;
    const int aliveCount = aliveHostCount(target);
    const int deadCount = knownHostCount(target) - aliveCount;
    const auto filter = [](bool on) {
        return on ? ResultChip::Filter::on : ResultChip::Filter::off;
    };
    chips_[alive()]->setValue(QString::number(aliveCount), theme::green());
    chips_[alive()]->setFilter(filter(showAlive_));
    chips_[dead()]->setValue(QString::number(deadCount), theme::red());
    chips_[dead()]->setFilter(filter(showDead_));
    chips_[total()]->setValue(QString::number(target.monitors().size()), theme::secondaryText());
    chips_[total()]->setFilter(filter(showAlive_ && showDead_));
}

void ResultsPane::refreshStatistics() {
    const Target& target = *target_;
    const QColor primary = theme::primaryText();
    chips_[QStringLiteral("avg")]->setValue(chip::milliseconds(target.avgLatency()), primary);
    chips_[QStringLiteral("min")]->setValue(chip::milliseconds(target.minLatency()), primary);
    chips_[QStringLiteral("max")]->setValue(chip::milliseconds(target.maxLatency()), primary);
    chips_[QStringLiteral("jitter")]->setValue(chip::milliseconds(target.jitter()), primary);
    chips_[QStringLiteral("loss")]->setValue(chip::loss(target.lossPct()), primary);
    chips_[QStringLiteral("MOS")]->setValue(chip::mos(target.mos()), primary);
    const auto http = chips_.find(QStringLiteral("HTTP"));
    if (http == chips_.end())
        return;
    const auto& monitors = target.monitors();
    const std::optional<int> status =
        monitors.empty() ? std::nullopt : monitors.front()->httpStatus();
    if (http->second->isHidden() == status.has_value()) {
        http->second->setVisible(status.has_value());
        placeChips();
    }
    if (status)
        http->second->setValue(QString::number(*status),
                               chip::httpStatusIsGood(*status) ? theme::green() : theme::red());
}

void ResultsPane::placeChips() {
    // Beside the title where they fit, else on a line of their own under it (a narrow window, or
    // a large font).
    const int room = width() - 2 * kPadding;
    const bool beside = title_->sizeHint().width() + 10 + chipRow_->sizeHint().width() <= room;
    if (beside == chipsBesideTitle_)
        return;
    chipsBesideTitle_ = beside;
    auto* column = static_cast<QVBoxLayout*>(layout());
    if (beside) {
        column->removeWidget(chipRow_);
        header_->insertWidget(2, chipRow_, 0, Qt::AlignVCenter);
    } else {
        header_->removeWidget(chipRow_);
        column->insertWidget(1, chipRow_, 0, Qt::AlignLeft);
    }
}

void ResultsPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeChips();
}

void ResultsPane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    glass::paintPanel(p, rect(), kCornerRadius);
}

} // namespace vantorel
