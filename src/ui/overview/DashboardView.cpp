#include "ui/overview/DashboardView.h"

#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "targets/HostStore.h"
#include "ui/controls/Glass.h"
#include "ui/controls/Theme.h"
#include "ui/overview/DashboardCanvas.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace vantorel {

namespace {
constexpr double kPanelRadius = 28;
constexpr int kPadding = 22;
constexpr int kHeadingGap = 14;
} // namespace

DashboardView::DashboardView(HostStore& store, QWidget* parent)
    : QWidget(parent)
    , store_(store) {
    setObjectName(QStringLiteral("dashboard"));
    setAccessibleName(QStringLiteral("Overview"));

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    column->setSpacing(kHeadingGap);

    auto* heading = new QLabel(QStringLiteral("Overview"), this);
    heading->setObjectName(QStringLiteral("dashboardHeading"));
    heading->setFont(theme::font(theme::TextStyle::title2, true));
    column->addWidget(heading);

    empty_ = new QLabel(QStringLiteral("No active targets — enable one in the sidebar."), this);
    empty_->setObjectName(QStringLiteral("dashboardEmpty"));
    empty_->setFont(theme::font(theme::TextStyle::body));
    empty_->setForegroundRole(QPalette::PlaceholderText);
    empty_->setWordWrap(true);
    column->addWidget(empty_);

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("dashboardScroll"));
    // The tiles take focus, and Tab scrolls each into view; the area has no keys of its own.
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(false);
    // The panel shows through between the tiles.
    scroll_->setAutoFillBackground(false);
    scroll_->viewport()->setAutoFillBackground(false);
    canvas_ = new DashboardCanvas(store_, scroll_->viewport());
    scroll_->setWidget(canvas_);
    canvas_->setAutoFillBackground(false);
    scroll_->viewport()->installEventFilter(this);
    column->addWidget(scroll_, 1);
    column->addStretch(0);

    connect(canvas_, &DashboardCanvas::targetChosen, this, &DashboardView::targetChosen);
    connect(&store_, &HostStore::changed, this, &DashboardView::followStore);
    connect(&Preferences::instance(), &Preferences::changed, this, [this](const QString& key) {
        if (key == keys::glassEnabled)
            update();
    });
    followStore();
}

void DashboardView::followStore() {
    canvas_->sync();
    const bool empty = canvas_->isEmpty();
    empty_->setVisible(empty);
    scroll_->setVisible(!empty);
    // With the block area gone the sentence sits under the heading, not in the middle.
    static_cast<QVBoxLayout*>(layout())->setStretch(3, empty ? 1 : 0);
}

bool DashboardView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scroll_->viewport() && event->type() == QEvent::Resize)
        canvas_->layOut(scroll_->viewport()->width());
    return QWidget::eventFilter(watched, event);
}

void DashboardView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    glass::paintPanel(p, rect(), kPanelRadius);
}

} // namespace vantorel
