#include "ui/window/MainWindow.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "targets/HostStore.h"
#include "ui/controls/DesktopColourScheme.h"
#include "ui/controls/Icons.h"
#include "ui/controls/Theme.h"
#include "ui/preferences/PreferencesWindow.h"
#include "ui/sheet/AddTargetSheet.h"
#include "ui/window/AuroraBackground.h"
#include "ui/window/DetailArea.h"
#include "ui/window/MainWindowState.h"
#include "ui/window/RemovalNote.h"
#include "ui/window/Sidebar.h"
#include "ui/window/WindowNotices.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QShortcut>
#include <algorithm>
#include <utility>

namespace vantorel {

namespace {
constexpr int kSpacing = 16;
} // namespace

MainWindow::MainWindow(HostStore& store, QWidget* parent)
    : QWidget(parent)
    , store_(store) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Vantorel"));
    setWindowIcon(icons::image(QStringLiteral("AppMark")));
    setAttribute(Qt::WA_DeleteOnClose);
    // Fits a 1280 × 720 screen with the window's title bar and a desktop's top bar.
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    resize(1080, 720);

    state_ = new MainWindowState(this);
    connect(state_, &MainWindowState::selectionChanged, this, &MainWindow::selectionChanged);
    connect(state_, &MainWindowState::overviewChanged, this, &MainWindow::overviewChanged);

    aurora_ = new AuroraBackground(this);
    sidebar_ = new Sidebar(store_, *state_, this);
    detail_ = new DetailArea(store_, *state_, this);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kSpacing, kSpacing, kSpacing, kSpacing);
    row->setSpacing(kSpacing);
    row->addWidget(sidebar_);
    row->addWidget(detail_, 1);
    aurora_->lower();
    note_ = new RemovalNote(this);
    connect(note_, &RemovalNote::undoRequested, this, &MainWindow::undoRemoval);

    connect(sidebar_, &Sidebar::addTargetRequested, this, &MainWindow::showAddTarget);
    connect(sidebar_, &Sidebar::preferencesRequested, this,
            [] { PreferencesWindow::showWindow(); });
    connect(sidebar_, &Sidebar::removeRequested, this, &MainWindow::removeTarget);

    connect(&Preferences::instance(), &Preferences::changed, this, [this](const QString& key) {
        if (key == keys::appearance || key == keys::glassEnabled || key == keys::latencyGreen ||
            key == keys::latencyYellow)
            applyTheme();
    });
    connect(&DesktopColourScheme::instance(), &DesktopColourScheme::changed, this,
            &MainWindow::applyTheme);

    installShortcuts();
    applyTheme();
    showStorageNotices();
}

void MainWindow::showStorageNotices() {
    notices_ = new WindowNotices(this);
    Preferences& preferences = Preferences::instance();
    if (const auto copy = store_.takeUnreadableListCopy())
        notices_->showNotice(QStringLiteral("unreadableListNotice"),
                             QStringLiteral("Your saved target list could not be read. A copy of "
                                            "it is kept as \u201c%1\u201d in %2.")
                                 .arg(*copy, preferences.filePath()));
    const auto warnNotSaved = [this, &preferences] {
        notices_->showNotice(QStringLiteral("saveWarning"),
                             QStringLiteral("Changes could not be saved to %1. They will be lost "
                                            "when Vantorel quits.")
                                 .arg(preferences.filePath()));
    };
    if (preferences.isFailingToWrite())
        warnNotSaved();
    connect(&preferences, &Preferences::writeFailed, this, warnNotSaved);
}

MainWindow::~MainWindow() = default;

void MainWindow::installShortcuts() {
    const auto bind = [this](const QKeySequence& keys, auto action) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    bind(QKeySequence(Qt::CTRL | Qt::Key_N), [this] { showAddTarget(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { setShowOverview(true); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undoRemoval(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_Q), [] { QApplication::quit(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_Comma), [] { PreferencesWindow::showWindow(); });
}

std::optional<QUuid> MainWindow::selection() const {
    return state_->selection();
}

void MainWindow::select(const QUuid& id) {
    state_->select(id);
}

bool MainWindow::showsOverview() const {
    return state_->showOverview();
}

void MainWindow::setShowOverview(bool show) {
    state_->setShowOverview(show);
}

void MainWindow::showAddTarget() {
    if (sheet_) {
        sheet_->raise();
        sheet_->activateWindow();
        return;
    }
    auto* sheet = new AddTargetSheet(this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(sheet, &AddTargetSheet::addRequested, this, &MainWindow::addTarget);
    sheet_ = sheet;
    sheet->open();
}

void MainWindow::addTarget(const TargetSpec& spec) {
    const QUuid id = store_.add(spec);
    select(id);
    // The keyboard goes on from the new card.
    sidebar_->focusCard(id);
}

void MainWindow::removeTarget(const QUuid& id) {
    const auto& targets = store_.targets();
    const auto found = std::find_if(targets.begin(), targets.end(),
                                    [&](const auto& target) { return target->id() == id; });
    if (found == targets.end())
        return;
    // Kept whole, so that undoing brings back the very target: its monitors, what they hold, and
    // the history they keep under their keys.
    removed_ = Removed{.target = *found,
                       .index = std::size_t(found - targets.begin()),
                       .enabled = (*found)->enabled(),
                       .selected = state_->selection() == id};
    if (removed_->selected)
        state_->setSelection(std::nullopt);
    store_.remove(id);
    note_->showFor(removed_->target->spec().displayName());
    placeNote();
}

void MainWindow::undoRemoval() {
    if (!removed_ || !note_->isVisible())
        return;
    const Removed removed = *std::exchange(removed_, std::nullopt);
    note_->dismiss();
    const QUuid id = store_.restore(removed.target, removed.index, removed.enabled);
    if (removed.selected)
        select(id);
    sidebar_->focusCard(id);
}

QString MainWindow::removalNote() const {
    return note_->isVisible() ? note_->text() : QString();
}

void MainWindow::placeNote() {
    const QSize size = note_->sizeHint();
    note_->setGeometry((width() - size.width()) / 2, height() - size.height() - 2 * kSpacing,
                       size.width(), size.height());
}

void MainWindow::applyTheme() {
    QPalette colours = QApplication::palette();
    const bool dark = theme::isDark();
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        colours.setColor(role, theme::primaryText());
    // Secondary labels draw in the placeholder role: the one role no other widget here uses.
    colours.setColor(QPalette::PlaceholderText, theme::secondaryText());
    colours.setColor(QPalette::Window, dark ? QColor(18, 22, 44) : QColor(232, 240, 252));
    colours.setColor(QPalette::Highlight, theme::accent());
    colours.setColor(QPalette::ToolTipBase, dark ? QColor(40, 44, 60) : QColor(250, 250, 252));
    colours.setColor(QPalette::ToolTipText, dark ? QColor(240, 240, 245) : QColor(20, 20, 24));
    setPalette(colours);
    aurora_->applyTheme();
    note_->applyTheme();
    sidebar_->applyTheme();
    detail_->applyTheme();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    aurora_->setGeometry(rect());
    placeNote();
    if (notices_)
        notices_->place(detail_->geometry());
}

} // namespace vantorel
