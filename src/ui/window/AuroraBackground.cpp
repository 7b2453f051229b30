#include "ui/window/AuroraBackground.h"

#include "platform/Clock.h"
#include "ui/controls/Theme.h"
#include "ui/rules/AuroraMesh.h"

#include <QPainter>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vantorel {

namespace {

// The mesh has four patches of soft colour. Whether it moved visibly is judged on a few dozen
// pixels across, rendered every tick; what is shown is rendered finer, and dithered, only when it
// did, and scaling up smooths the rest.
constexpr int kProbeWidth = 48;
constexpr int kShownWidth = 160;

QSize meshSize(QSize widget, int width) {
    if (widget.width() <= 0 || widget.height() <= 0)
        return {width, width * 2 / 3};
    const int height = int(std::lround(double(width) * widget.height() / widget.width()));
    return {width, std::clamp(height, 8, width * 2)};
}

// Consecutive frames 50 ms apart differ by one level of one channel here and there. Repainting the
// window for that would cost a few percent of a core for nothing anyone can see, so the picture
// is kept until the drift since the frame on screen reaches two levels somewhere; that happens a
// few times a second and the motion still looks continuous.
constexpr int kVisibleChange = 2;

bool differsVisibly(const QImage& shown, const QImage& next) {
    if (shown.size() != next.size())
        return true;
    for (int y = 0; y < shown.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(next.constScanLine(y));
        for (int x = 0; x < shown.width(); ++x)
            if (std::abs(qRed(a[x]) - qRed(b[x])) >= kVisibleChange ||
                std::abs(qGreen(a[x]) - qGreen(b[x])) >= kVisibleChange ||
                std::abs(qBlue(a[x]) - qBlue(b[x])) >= kVisibleChange)
                return true;
    }
    return false;
}

} // namespace

AuroraBackground::AuroraBackground(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    timer_.setInterval(kFrameIntervalMs);
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &AuroraBackground::advance);
    renderNow();
}

void AuroraBackground::applyTheme() {
    renderNow();
    update();
}

QImage AuroraBackground::render(double seconds, int width, bool dither) const {
    const bool dark = theme::isDark();
    QColor wash = dark ? QColor(0, 0, 0) : QColor(255, 255, 255);
    wash.setAlphaF(0.1f);
    return renderAuroraMesh(meshSize(size(), width), auroraCentre(seconds),
                            dark ? darkAuroraColours() : lightAuroraColours(), wash, dither);
}

void AuroraBackground::renderNow() {
    const double now = dateNow();
    probe_ = render(now, kProbeWidth, false);
    frame_ = render(now, kShownWidth, true);
}

void AuroraBackground::advance() {
    // Nothing to draw for a minimised window or one the window manager has unmapped.
    const QWindow* handle = window()->windowHandle();
    if (!handle || !handle->isExposed() || window()->isMinimized())
        return;
    const double now = dateNow();
    QImage probe = render(now, kProbeWidth, false);
    if (!differsVisibly(probe_, probe))
        return;
    probe_ = std::move(probe);
    frame_ = render(now, kShownWidth, true);
    update();
}

void AuroraBackground::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), frame_);
}

void AuroraBackground::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    renderNow();
    timer_.start();
}

void AuroraBackground::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_.stop();
}

void AuroraBackground::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (frame_.size() != meshSize(size(), kShownWidth))
        renderNow();
}

} // namespace vantorel
