#include "ui/tray/TrayPopover.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "targets/HostStore.h"
#include "ui/controls/DesktopColourScheme.h"
#include "ui/controls/Icons.h"
#include "ui/controls/Theme.h"
#include "ui/preferences/PreferencesWindow.h"
#include "ui/tray/TrayRow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace vantorel {

namespace {

constexpr int kWidth = 300;
constexpr int kPadding = 8;
// Beyond this the rows scroll, so a long list never runs off the screen.
constexpr int kMaximumRowsHeight = 440;
constexpr int kGapToIcon = 6;

QColor panelFill() {
    return theme::isDark() ? QColor(30, 34, 44) : QColor(246, 247, 250);
}

QColor panelEdge() {
    return theme::isDark() ? QColor(255, 255, 255, 40) : QColor(0, 0, 0, 38);
}

QPushButton* borderlessButton(const QString& text, const QString& name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAccessibleName(text);
    button->setFlat(true);
    // Focus from Tab only, so that the ring of :focus marks where the keyboard is.
    button->setFocusPolicy(Qt::TabFocus);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(theme::font(theme::TextStyle::body));
    return button;
}

} // namespace

// A popup, which Qt closes on Escape and on a click anywhere else.
TrayPopover::TrayPopover(HostStore& store, std::function<void()> openMainWindow, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
    , store_(store)
    , openMainWindow_(std::move(openMainWindow))
    , scroll_(new QScrollArea(this))
    , rowsHost_(new QWidget)
    , rowsLayout_(new QVBoxLayout(rowsHost_))
    , noTargets_(new QLabel(QStringLiteral("No targets"), this))
    , divider_(new QWidget(this))
    , openButton_(borderlessButton(QStringLiteral("Open Vantorel"), "openButton", this))
    , preferencesButton_(borderlessButton(QString(), "trayPreferencesButton", this))
    , quitButton_(borderlessButton(QStringLiteral("Quit"), "quitButton", this)) {
    setObjectName(QStringLiteral("trayPopover"));
    setAccessibleName(QStringLiteral("Vantorel"));
    setFixedWidth(theme::scaled(kWidth));

    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(0);
    rowsHost_->setAutoFillBackground(false);
    scroll_->setWidget(rowsHost_);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    // The rows' switches take focus; the area around them is no stop of its own.
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->viewport()->setAutoFillBackground(false);
    scroll_->setAutoFillBackground(false);

    noTargets_->setObjectName(QStringLiteral("noTargetsLabel"));
    noTargets_->setFont(theme::font(theme::TextStyle::body));
    noTargets_->setContentsMargins(8, 8, 8, 8);

    divider_->setFixedHeight(1);
    divider_->setAutoFillBackground(true);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(openButton_);
    buttons->addStretch(1);
    buttons->addWidget(preferencesButton_);
    buttons->addWidget(quitButton_);
    preferencesButton_->setToolTip(QStringLiteral("Preferences"));
    preferencesButton_->setAccessibleName(QStringLiteral("Preferences"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(0);
    column->addWidget(noTargets_);
    column->addWidget(scroll_);
    column->addSpacing(4);
    column->addWidget(divider_);
    column->addSpacing(4);
    column->addLayout(buttons);

    connect(openButton_, &QPushButton::clicked, this, [this] {
        hide();
        if (openMainWindow_)
            openMainWindow_();
    });
    connect(preferencesButton_, &QPushButton::clicked, this, [this] {
        hide();
        PreferencesWindow::showWindow();
    });
    connect(quitButton_, &QPushButton::clicked, this, [this] {
        hide();
        QApplication::quit();
    });
    connect(&store_, &HostStore::changed, this, &TrayPopover::storeChanged);
    connect(&Preferences::instance(), &Preferences::changed, this, [this](const QString& key) {
        if (key == keys::appearance)
            storeChanged();
    });
    connect(&DesktopColourScheme::instance(), &DesktopColourScheme::changed, this,
            &TrayPopover::storeChanged);
    rebuildRows();
    applyColours();
    stale_ = false;
}

std::vector<TrayRow*> TrayPopover::rows() const {
    std::vector<TrayRow*> rows;
    for (int i = 0; i < rowsLayout_->count(); ++i) {
        if (auto* row = qobject_cast<TrayRow*>(rowsLayout_->itemAt(i)->widget()))
            rows.push_back(row);
    }
    return rows;
}

void TrayPopover::storeChanged() {
    stale_ = true;
    if (isVisible())
        synchronise();
}

void TrayPopover::synchronise() {
    stale_ = false;
    const auto& targets = store_.targets();
    const auto current = rows();
    const bool sameTargets = current.size() == targets.size() &&
                             std::equal(current.begin(), current.end(), targets.begin(),
                                        [](const TrayRow* row, const auto& target) {
                                            return row->targetId() == target->id();
                                        });
    if (!sameTargets)
        rebuildRows();
    else
        for (TrayRow* row : current)
            row->refresh();
    applyColours();
}

void TrayPopover::rebuildRows() {
    for (TrayRow* row : rows()) {
        rowsLayout_->removeWidget(row);
        delete row;
    }
    for (const auto& target : store_.targets())
        rowsLayout_->addWidget(new TrayRow(target, rowsHost_));
    const bool empty = store_.targets().empty();
    noTargets_->setVisible(empty);
    scroll_->setVisible(!empty);
    fitHeight();
}

void TrayPopover::fitHeight() {
    scroll_->setFixedHeight(std::min(rowsLayout_->sizeHint().height(), kMaximumRowsHeight));
    adjustSize();
}

void TrayPopover::applyColours() {
    const bool dark = theme::isDark();
    if (coloursAreDark_ == dark)
        return;
    coloursAreDark_ = dark;

    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, panelFill());
    palette.setColor(QPalette::WindowText, theme::primaryText());
    palette.setColor(QPalette::ButtonText, theme::primaryText());
    setPalette(palette);

    QPalette secondary = noTargets_->palette();
    secondary.setColor(QPalette::WindowText, theme::secondaryText());
    noTargets_->setPalette(secondary);

    QPalette line = divider_->palette();
    line.setColor(QPalette::Window, panelEdge());
    divider_->setPalette(line);

    const QString style =
        QStringLiteral("QPushButton { color: %1; background: transparent; border: none; "
                       "border-radius: 6px; padding: 6px 8px; text-align: left; }"
                       "QPushButton:hover { background: %2; }"
                       "QPushButton:focus { border: 2px solid %3; padding: 4px 6px; }")
            .arg(theme::primaryText().name(QColor::HexArgb),
                 dark ? QStringLiteral("rgba(255,255,255,26)") : QStringLiteral("rgba(0,0,0,18)"),
                 theme::accent().name());
    for (QPushButton* button : {openButton_, preferencesButton_, quitButton_})
        button->setStyleSheet(style);
    preferencesButton_->setIcon(icons::symbol(QStringLiteral("gearshape"), theme::secondaryText()));
    for (TrayRow* row : rows())
        row->refresh();
    update();
}

void TrayPopover::showBeside(const QRect& anchor) {
    if (stale_)
        synchronise();
    fitHeight();
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    const QRect whole = screen ? screen->geometry() : area;
    const QSize size = this->size();

    int x = anchor.center().x() - size.width() / 2;
    int y = anchor.center().y() < whole.center().y() ? anchor.bottom() + 1 + kGapToIcon
                                                     : anchor.top() - kGapToIcon - size.height();
    x = std::clamp(x, area.left() + 4,
                   std::max(area.left() + 4, area.right() + 1 - 4 - size.width()));
    y = std::clamp(y, area.top() + 4,
                   std::max(area.top() + 4, area.bottom() + 1 - 4 - size.height()));
    move(x, y);
    show();
    raise();
    activateWindow();
}

void TrayPopover::showEvent(QShowEvent* event) {
    if (stale_)
        synchronise();
    QWidget::showEvent(event);
}

void TrayPopover::paintEvent(QPaintEvent*) {
    // Opaque and square-cornered at the window edge: without a compositor (a bare X session,
    // Xvfb) transparent corners would show black.
    QPainter painter(this);
    painter.fillRect(rect(), panelFill());
    painter.setPen(QPen(panelEdge(), 1));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace vantorel
