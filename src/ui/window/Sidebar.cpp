#include "ui/window/Sidebar.h"

#include "targets/HostStore.h"
#include "ui/controls/FocusRing.h"
#include "ui/controls/Glass.h"
#include "ui/controls/Icons.h"
#include "ui/controls/Theme.h"
#include "ui/window/MainWindowState.h"
#include "ui/window/SidebarHeader.h"
#include "ui/window/TargetCard.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <optional>

namespace vantorel {

namespace {
constexpr int kPadding = 18;
constexpr double kPanelRadius = 28;
constexpr int kListTopPadding = 24;
constexpr int kCardSpacing = 10;
} // namespace

Sidebar::Sidebar(HostStore& store, MainWindowState& state, QWidget* parent)
    : QWidget(parent)
    , store_(store)
    , state_(state) {
    setObjectName(QStringLiteral("sidebar"));
    // 330 at the default font; wider for a larger one, which the cards need for their texts.
    setFixedWidth(theme::scaled(kWidth));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(0);
    column->addWidget(buildHeaderRow());
    column->addWidget(buildList(), 1);

    add_ = new QPushButton(QStringLiteral("Add Target"), this);
    add_->setObjectName(QStringLiteral("addTargetButton"));
    add_->setAccessibleName(QStringLiteral("Add Target"));
    add_->setToolTip(QStringLiteral("Add a target to monitor (Ctrl+N)"));
    add_->setCursor(Qt::PointingHandCursor);
    add_->setIconSize(QSize(13, 13));
    add_->setMinimumHeight(36);
    connect(add_, &QPushButton::clicked, this, &Sidebar::addTargetRequested);
    column->addSpacing(12);
    column->addWidget(add_);

    connect(&store_, &HostStore::changed, this, [this] {
        syncCards();
        updateCaption();
    });
    connect(&state_, &MainWindowState::selectionChanged, this, &Sidebar::updateSelection);
    connect(&state_, &MainWindowState::overviewChanged, this,
            [this] { header_->setOverviewShown(state_.showOverview()); });

    styleButtons();
    syncCards();
    updateCaption();
}

QWidget* Sidebar::buildHeaderRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    header_ = new SidebarHeader(row);
    connect(header_, &SidebarHeader::clicked, this,
            [this] { state_.setShowOverview(!state_.showOverview()); });
    layout->addWidget(header_, 1);

    gear_ = new QToolButton(row);
    gear_->setObjectName(QStringLiteral("preferencesButton"));
    gear_->setToolTip(QStringLiteral("Preferences (Ctrl+,)"));
    gear_->setAccessibleName(QStringLiteral("Preferences"));
    gear_->setCursor(Qt::PointingHandCursor);
    gear_->setAutoRaise(true);
    gear_->setIconSize(QSize(18, 18));
    gear_->setFixedSize(32, 32);
    connect(gear_, &QToolButton::clicked, this, &Sidebar::preferencesRequested);
    layout->addWidget(gear_, 0, Qt::AlignVCenter);
    return row;
}

QScrollArea* Sidebar::buildList() {
    auto* scroll = new QScrollArea(this);
    scroll_ = scroll;
    // The cards take focus; the area around them has nothing of its own to do with the keys.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    // The list scrolls by wheel and touchpad; bars would only crowd the narrow column.
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // No style sheet here: one would cut the cards off from the window's palette.
    scroll->viewport()->setAutoFillBackground(false);

    auto* content = new QWidget(scroll);
    list_ = new QVBoxLayout(content);
    list_->setContentsMargins(0, kListTopPadding, 0, 4);
    list_->setSpacing(kCardSpacing);
    list_->addStretch(1);
    scroll->setWidget(content);
    // setWidget turns background filling on; the cards sit directly on the glass.
    content->setAutoFillBackground(false);
    return scroll;
}

void Sidebar::syncCards() {
    const auto& targets = store_.targets();
    const bool unchanged = std::equal(
        targets.begin(), targets.end(), cards_.begin(), cards_.end(),
        [](const auto& target, const TargetCard* card) { return card->target() == target; });
    if (unchanged)
        return;

    // A card that goes while it has focus hands it to the card now in its place.
    std::optional<std::size_t> focusedGone;
    std::map<const Target*, TargetCard*> existing;
    for (TargetCard* card : cards_) {
        list_->removeWidget(card);
        existing.emplace(card->target().get(), card);
    }
    std::vector<TargetCard*> ordered;
    ordered.reserve(targets.size());
    for (const auto& target : targets) {
        TargetCard* card = nullptr;
        if (const auto found = existing.find(target.get()); found != existing.end()) {
            card = found->second;
            existing.erase(found);
        } else {
            card = new TargetCard(target, list_->parentWidget());
            // Shown now rather than by the layout's next turn, so it can take focus at once.
            card->show();
            const QUuid id = target->id();
            connect(card, &TargetCard::selectRequested, this, [this, id] { state_.select(id); });
            connect(card, &TargetCard::removeRequested, this,
                    [this, id] { Q_EMIT removeRequested(id); });
            connect(card, &TargetCard::stepRequested, this,
                    [this, card](int step) { stepFrom(card, step); });
            connect(card, &TargetCard::startWithVantorelRequested, this,
                    [this, id](bool on) { store_.setStartWithVantorel(id, on); });
        }
        list_->insertWidget(int(ordered.size()), card);
        ordered.push_back(card);
    }
    // A card may be gone while its own trash button is still handling the click.
    for (const auto& [target, card] : existing) {
        if (card->hasFocus()) {
            const auto at = std::find(cards_.begin(), cards_.end(), card);
            focusedGone = std::size_t(at - cards_.begin());
        }
        card->hide();
        card->deleteLater();
    }
    cards_ = std::move(ordered);
    updateSelection();
    if (focusedGone && !cards_.empty())
        cards_[std::min(*focusedGone, cards_.size() - 1)]->setFocus(Qt::OtherFocusReason);
}

void Sidebar::stepFrom(TargetCard* card, int step) {
    const auto at = std::find(cards_.begin(), cards_.end(), card);
    if (at == cards_.end())
        return;
    const auto index = (at - cards_.begin()) + step;
    if (index < 0 || index >= std::ptrdiff_t(cards_.size()))
        return;
    TargetCard* next = cards_[std::size_t(index)];
    state_.select(next->target()->id());
    focus_ring::moveTo(*next);
    scroll_->ensureWidgetVisible(next);
}

void Sidebar::focusCard(const QUuid& id) {
    for (TargetCard* card : cards_) {
        if (card->target()->id() == id) {
            card->setFocus(Qt::OtherFocusReason);
            scroll_->ensureWidgetVisible(card);
        }
    }
}

void Sidebar::updateCaption() {
    const auto& targets = store_.targets();
    const auto active = std::count_if(targets.begin(), targets.end(),
                                      [](const auto& target) { return target->enabled(); });
    header_->setCaption(QStringLiteral("%1 targets · %2 active").arg(targets.size()).arg(active));
}

void Sidebar::updateSelection() {
    const std::optional<QUuid>& selection = state_.selection();
    bool anySelected = false;
    for (TargetCard* card : cards_) {
        card->setSelected(selection && card->target()->id() == *selection);
        anySelected = anySelected || card->isSelected();
    }
    // Tab reaches one card, the selected one (else the first); Up and Down go on from there.
    for (std::size_t i = 0; i < cards_.size(); ++i) {
        const bool stop = anySelected ? cards_[i]->isSelected() : i == 0;
        cards_[i]->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void Sidebar::styleButtons() {
    glass::styleButton(*add_, true);
    add_->setIcon(icons::symbol(QStringLiteral("plus"), QColor(0x0b, 0x1a, 0x2a)));
    gear_->setIcon(icons::symbol(QStringLiteral("gearshape"), theme::secondaryText()));
    const QString hover =
        theme::isDark() ? QStringLiteral("rgba(255,255,255,28)") : QStringLiteral("rgba(0,0,0,18)");
    // A tool button takes focus from Tab only, so :focus is where the keyboard is.
    gear_->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; "
                                        "border-radius: 16px; }"
                                        "QToolButton:hover { background: %1; }"
                                        "QToolButton:focus { border: 2px solid %2; }")
                             .arg(hover, glass::focusRingColour(false)));
}

void Sidebar::applyTheme() {
    styleButtons();
    for (TargetCard* card : cards_)
        card->refresh();
    update();
}

void Sidebar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    glass::paintPanel(p, rect(), kPanelRadius);
}

} // namespace vantorel
