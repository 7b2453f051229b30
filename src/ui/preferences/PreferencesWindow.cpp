#include "ui/preferences/PreferencesWindow.h"

#include "history/SampleStore.h"
#include "settings/Preferences.h"
#include "settings/SettingKeys.h"
#include "ui/controls/DesktopColourScheme.h"
#include "ui/controls/FormNumberField.h"
#include "ui/controls/FormSegmentedPicker.h"
#include "ui/controls/FormStyle.h"
#include "ui/controls/FormSwitch.h"
#include "ui/controls/Icons.h"
#include "ui/controls/Theme.h"
#include "ui/preferences/LoginStart.h"
#include "ui/preferences/PreferencesSection.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSvgRenderer>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace vantorel {

namespace {

constexpr int windowWidth = 480;
// Room kept free for the window's title bar and the desktop's panels.
constexpr int kScreenMargin = 80;
constexpr int minimumKeepMinutes = 1;
constexpr int maximumKeepMinutes = 1440;

const std::array<QLatin1StringView, 3> appearanceValues{
    QLatin1StringView("auto"), QLatin1StringView("light"), QLatin1StringView("dark")};

// The application's logo, 40 points high and as wide as its proportions ask, centred. Without
// the image the application's name stands in.
class Lockup : public QWidget {
public:
    explicit Lockup(QWidget* parent)
        : QWidget(parent)
        , image_(icons::image(QStringLiteral("Lockup"))) {
        setObjectName(QStringLiteral("lockupImage"));
        setAccessibleName(QStringLiteral("Vantorel"));
        setFixedHeight(imageHeight + 2 * margin);
        if (image_.isNull())
            return;
        const QSvgRenderer renderer(QStringLiteral(":/icons/Lockup.svg"));
        const QSize natural = renderer.defaultSize();
        if (renderer.isValid() && natural.height() > 0)
            aspect_ = double(natural.width()) / natural.height();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect area = rect().adjusted(margin, margin, -margin, -margin);
        if (image_.isNull()) {
            painter.setFont(theme::font(theme::TextStyle::largeTitle, true));
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(area, Qt::AlignCenter, QStringLiteral("Vantorel"));
            return;
        }
        QRect target(0, 0, int(std::lround(imageHeight * aspect_)), imageHeight);
        target.moveCenter(area.center());
        image_.paint(&painter, target);
    }

private:
    static constexpr int imageHeight = 40;
    static constexpr int margin = 4;
    QIcon image_;
    double aspect_ = 4.0;
};

FormSwitch* boundSwitch(const QString& key, QWidget* parent) {
    auto* control = new FormSwitch(parent);
    control->setObjectName(key);
    control->setChecked(Preferences::instance().boolValue(key));
    QObject::connect(control, &FormSwitch::clicked, control,
                     [key](bool on) { Preferences::instance().setValue(key, on); });
    return control;
}

qint64 truncatedToInteger(double value) {
    // Large enough thresholds would overflow the conversion; they read as the largest integer.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(value))
        return 0;
    if (value >= limit)
        return std::numeric_limits<qint64>::max();
    if (value <= -limit)
        return std::numeric_limits<qint64>::min();
    return qint64(value);
}

} // namespace

PreferencesWindow::PreferencesWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("preferencesWindow"));
    setWindowTitle(QStringLiteral("Preferences"));
    setFont(theme::font(theme::TextStyle::body));
    setAutoFillBackground(true);
    Preferences& preferences = Preferences::instance();

    auto* appearance = new PreferencesSection(QStringLiteral("Appearance"), this);
    themePicker_ = new FormSegmentedPicker(
        {QStringLiteral("Auto"), QStringLiteral("Light"), QStringLiteral("Dark")}, this);
    themePicker_->setObjectName(QString(keys::appearance));
    themePicker_->setFixedWidth(std::max(210, themePicker_->sizeHint().width()));
    connect(themePicker_, &FormSegmentedPicker::activated, this, [](int index) {
        Preferences::instance().setValue(keys::appearance, QString(appearanceValues[index]));
    });
    appearance->addRow(QStringLiteral("Theme"), themePicker_);
    glassSwitch_ = boundSwitch(keys::glassEnabled, this);
    appearance->addRow(QStringLiteral("Liquid Glass"), glassSwitch_);
    clockPicker_ =
        new FormSegmentedPicker({QStringLiteral("12-hour"), QStringLiteral("24-hour")}, this);
    clockPicker_->setObjectName(QString(keys::use24Hour));
    clockPicker_->setFixedWidth(std::max(170, clockPicker_->sizeHint().width()));
    connect(clockPicker_, &FormSegmentedPicker::activated, this,
            [](int index) { Preferences::instance().setValue(keys::use24Hour, index == 1); });
    appearance->addRow(QStringLiteral("Clock"), clockPicker_);

    using Format = FormNumberField::Format;
    auto* thresholds = new PreferencesSection(QStringLiteral("Latency thresholds"), this);
    thresholds->addRow(QStringLiteral("Acceptable below"),
                       new FormNumberField(keys::latencyGreen, Format::floating, this),
                       QStringLiteral("ms"));
    thresholds->addRow(QStringLiteral("Marginal below"),
                       new FormNumberField(keys::latencyYellow, Format::floating, this),
                       QStringLiteral("ms"));
    thresholdsCaption_ = thresholds->addCaption(QString());
    thresholdsCaption_->setObjectName(QStringLiteral("thresholdsCaption"));

    auto* alerts = new PreferencesSection(QStringLiteral("Alerts"), this);
    alertsSwitch_ = boundSwitch(keys::alertsEnabled, this);
    alerts->addRow(QStringLiteral("Notify on problems"), alertsSwitch_);
    alerts->addRow(QStringLiteral("Unreachable after"),
                   new FormNumberField(keys::alertUnreachableSecs, Format::integer, this),
                   QStringLiteral("s"));
    alerts->addRow(QStringLiteral("Packet loss above"),
                   new FormNumberField(keys::alertLossPct, Format::floating, this),
                   QStringLiteral("%"));
    alerts->addRow(QStringLiteral("Latency above"),
                   new FormNumberField(keys::alertLatencyMs, Format::floating, this),
                   QStringLiteral("ms"));
    alerts->addCaption(QStringLiteral("Notifies when an active target crosses a limit, and again "
                                      "on recovery. Set a limit to 0 to disable that rule."));

    auto* history = new PreferencesSection(QStringLiteral("Continuous ping history"), this);
    scrollbackSwitch_ = boundSwitch(keys::scrollbackEnabled, this);
    history->addRow(QStringLiteral("Record scrollback history"), scrollbackSwitch_);
    auto* keep = new FormNumberField(keys::scrollbackMinutes, Format::integer, this);
    keep->setStoredRange(minimumKeepMinutes, maximumKeepMinutes);
    history->addRow(QStringLiteral("Keep"), keep, QStringLiteral("minutes"));
    history->addCaption(QStringLiteral("Default 30 min \u00b7 up to 1440 (24 h)"));
    // Shown only when the store found at open that it cannot keep anything; the reason is in the
    // system log and in the tooltip.
    QPointer notSaved = history->addCaption(QStringLiteral("History is not being saved"));
    notSaved->setObjectName(QStringLiteral("historyNotSaved"));
    notSaved->hide();
    SampleStore::shared()->checkSaving([notSaved](std::optional<QString> reason) {
        if (notSaved && reason) {
            notSaved->setToolTip(*reason);
            notSaved->show();
        }
    });

    auto* network = new PreferencesSection(QStringLiteral("Network"), this);
    ipv6Switch_ = boundSwitch(keys::preferIPv6, this);
    network->addRow(QStringLiteral("Prefer IPv6 for names"), ipv6Switch_);
    network->addCaption(QStringLiteral("A host name with both IPv4 and IPv6 addresses is "
                                       "pinged and traced over IPv6. Sweeps always use IPv4."));

    auto* session = new PreferencesSection(QStringLiteral("Session"), this);
    loginSwitch_ = new FormSwitch(this);
    loginSwitch_->setObjectName(QStringLiteral("startAtLogin"));
    loginSwitch_->setChecked(login_start::enabled());
    connect(loginSwitch_, &FormSwitch::clicked, this, [this](bool on) {
        login_start::setEnabled(on);
        // What the file now says, should writing it have failed.
        loginSwitch_->setChecked(login_start::enabled());
    });
    session->addRow(QStringLiteral("Start at login"), loginSwitch_);
    session->addCaption(
        QStringLiteral("Opens in the tray when you log in. Targets marked "
                       "\u201cStart with Vantorel\u201d begin monitoring at once."));

    auto* metrics = new PreferencesSection(QStringLiteral("Metrics"), this);
    metricsSwitch_ = boundSwitch(keys::metricsEnabled, this);
    metrics->addRow(QStringLiteral("Serve metrics for Prometheus"), metricsSwitch_);
    metricsCaption_ = metrics->addCaption(QString());
    metricsCaption_->setObjectName(QStringLiteral("metricsCaption"));

    sections_ = {appearance, thresholds, alerts, history, network, session, metrics};
    // The form scrolls when the window is shorter than it: a small screen, or a large font.
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("preferencesContent"));
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(20, 14, 20, 22);
    layout->setSpacing(18);
    layout->addWidget(new Lockup(content));
    for (PreferencesSection* section : sections_) {
        section->setParent(content);
        section->setFixedWidth(theme::scaled(windowWidth - 40));
        layout->addWidget(section);
    }
    layout->addStretch(1);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("preferencesScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->addWidget(scroll);
    const int scrollBar = scroll->verticalScrollBar()->sizeHint().width();
    setMinimumWidth(content->sizeHint().width() + scrollBar);
    setMinimumHeight(theme::scaled(240));

    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }

    showAppearance();
    showClock();
    showThresholdsCaption();
    showMetricsCaption();
    applyColourScheme();
    connect(&preferences, &Preferences::changed, this, &PreferencesWindow::preferenceChanged);
    connect(&DesktopColourScheme::instance(), &DesktopColourScheme::changed, this,
            &PreferencesWindow::applyColourScheme);
}

void PreferencesWindow::hideEvent(QHideEvent* event) {
    // Closing the window finishes an edit as Return would.
    for (FormNumberField* field : findChildren<FormNumberField*>())
        field->commit();
    QWidget::hideEvent(event);
}

void PreferencesWindow::showWindow() {
    static QPointer<PreferencesWindow> window;
    if (!window) {
        // Closing only hides it, so it reopens where the user left it.
        window = new PreferencesWindow;
        // A top-level widget outlives the event loop unless someone deletes it.
        connect(qApp, &QCoreApplication::aboutToQuit, window, [] { delete window.data(); });
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void PreferencesWindow::showEvent(QShowEvent* event) {
    if (!sized_) {
        // As tall as the form, once its fonts are in force, but no taller than the screen.
        sized_ = true;
        const int screen = this->screen()->availableGeometry().height() - kScreenMargin;
        resize(minimumWidth(), std::max(minimumHeight(), std::min(sizeHint().height(), screen)));
    }
    QWidget::showEvent(event);
}

QSize PreferencesWindow::sizeHint() const {
    // Wrapped captions take the height they need at the form's own width.
    const auto* content = findChild<QWidget*>(QStringLiteral("preferencesContent"));
    const int width = content->sizeHint().width();
    return {minimumWidth(), content->hasHeightForWidth() ? content->heightForWidth(width)
                                                         : content->sizeHint().height()};
}

QString PreferencesWindow::thresholdsCaption(double green, double yellow) {
    return QStringLiteral("Green \u2264 %1 ms \u00b7 Yellow \u2264 %2 ms \u00b7 Red above")
        .arg(QString::number(truncatedToInteger(green)),
             QString::number(truncatedToInteger(yellow)));
}

void PreferencesWindow::preferenceChanged(const QString& key) {
    const Preferences& preferences = Preferences::instance();
    if (key == keys::appearance) {
        showAppearance();
        applyColourScheme();
    } else if (key == keys::use24Hour) {
        showClock();
    } else if (key == keys::latencyGreen || key == keys::latencyYellow) {
        showThresholdsCaption();
    } else if (key == keys::glassEnabled) {
        glassSwitch_->setChecked(preferences.boolValue(key));
    } else if (key == keys::alertsEnabled) {
        alertsSwitch_->setChecked(preferences.boolValue(key));
    } else if (key == keys::scrollbackEnabled) {
        scrollbackSwitch_->setChecked(preferences.boolValue(key));
    } else if (key == keys::preferIPv6) {
        ipv6Switch_->setChecked(preferences.boolValue(key));
    } else if (key == keys::metricsEnabled) {
        metricsSwitch_->setChecked(preferences.boolValue(key));
    } else if (key == keys::metricsPort) {
        showMetricsCaption();
    }
}

void PreferencesWindow::showAppearance() {
    const QString value = Preferences::instance().stringValue(keys::appearance);
    int index = -1;
    for (std::size_t i = 0; i < appearanceValues.size(); ++i) {
        if (value == appearanceValues[i])
            index = int(i);
    }
    themePicker_->setCurrentIndex(index);
}

void PreferencesWindow::showClock() {
    clockPicker_->setCurrentIndex(Preferences::instance().boolValue(keys::use24Hour) ? 1 : 0);
}

void PreferencesWindow::showThresholdsCaption() {
    const Preferences& preferences = Preferences::instance();
    thresholdsCaption_->setText(thresholdsCaption(preferences.doubleValue(keys::latencyGreen),
                                                  preferences.doubleValue(keys::latencyYellow)));
}

void PreferencesWindow::showMetricsCaption() {
    metricsCaption_->setText(
        QStringLiteral("OpenMetrics at http://127.0.0.1:%1/metrics, for this computer only. Off, "
                       "nothing is counted or served.")
            .arg(Preferences::instance().integerValue(keys::metricsPort)));
}

void PreferencesWindow::applyColourScheme() {
    const bool dark = theme::isDark();
    setPalette(form_style::palette(dark));
    for (PreferencesSection* section : sections_)
        section->applyColourScheme(dark);
}

} // namespace vantorel
