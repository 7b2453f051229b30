#include "ui/overview/TileBodies.h"

#include "settings/SettingRules.h"
#include "targets/Target.h"
#include "ui/controls/ShapedText.h"
#include "ui/controls/Stamp.h"
#include "ui/controls/TargetStatus.h"
#include "ui/controls/Theme.h"
#include "ui/rules/DashboardLayout.h"

#include <QCache>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vantorel::tile {

namespace {

constexpr double kFooterGap = 6;
constexpr double kMaxHopRowHeight = 18;
constexpr double kLostBarOpacity = 0.55;
constexpr double kDeadCellOpacity = 0.3;
constexpr double kGuideOpacity = 0.45;

void drawWaiting(QPainter& p, const QRectF& area, const QString& text, const Palette& palette) {
    p.setFont(theme::font(theme::TextStyle::caption));
    p.setPen(palette.tertiary);
    shaped_text::draw(p, area, Qt::AlignLeft | Qt::AlignTop, text);
}

// A caption-2 line pinned to the bottom of `body`; returns what is left above it.
QRectF drawFooter(QPainter& p, const QRectF& body, const QString& text, const Palette& palette) {
    const QFont font = theme::font(theme::TextStyle::caption2);
    const double height = QFontMetricsF(font).height();
    const QRectF line(body.left(), body.bottom() - height, body.width(), height);
    p.setFont(font);
    p.setPen(palette.secondary);
    shaped_text::draw(p, line, Qt::AlignLeft | Qt::AlignVCenter, text);
    return QRectF(body.left(), body.top(), body.width(),
                  std::max(0.0, body.height() - height - kFooterGap));
}

// Where the chart turns yellow and red: faint dashed lines rather than filled bands, which on
// a chart this small would outweigh the bars.
void drawThresholdLines(QPainter& p, const QRectF& chart, double top, const Palette& palette) {
    const auto line = [&](double ms, const QColor& colour) {
        if (ms >= top)
            return;
        const double y = std::round(chart.bottom() - ms / top * chart.height());
        // Qt's dash pattern for a 1-pixel line (4 on, 2 off), as whole-pixel rectangles: a
        // dashed pen is stroked as a path, at many times the cost, on every tile of every frame.
        const QColor guide = theme::withOpacity(colour, kGuideOpacity);
        for (double x = chart.left(); x < chart.right(); x += 6)
            p.fillRect(QRectF(x, y, std::min(4.0, chart.right() - x), 1), guide);
    };
    line(palette.thresholds.green, palette.green);
    line(palette.thresholds.yellow, palette.red);
    p.fillRect(QRectF(chart.left(), chart.bottom(), chart.width(), 1),
               theme::withOpacity(palette.secondary, 0.5));
}

// The newest `slots` samples as bars, newest at the right edge: answered probes up to their round
// trip on the scale `top`, lost ones full height in red.
void drawSampleBars(QPainter& p, const QRectF& chart, const std::deque<PingSample>& samples,
                    int slots, double top, const Palette& palette) {
    if (chart.width() <= 0 || chart.height() <= 0)
        return;
    drawThresholdLines(p, chart, top, palette);
    const double slot = chart.width() / slots;
    const double barWidth = std::max(1.0, slot - std::min(1.0, slot * 0.25));
    const QColor lost = theme::withOpacity(palette.red, kLostBarOpacity);
    const std::size_t shown = std::min<std::size_t>(samples.size(), std::size_t(slots));
    const std::size_t first = samples.size() - shown;
    for (std::size_t i = 0; i < shown; ++i) {
        const PingSample& sample = samples[first + i];
        const double right = chart.right() - double(shown - 1 - i) * slot;
        if (sample.rtt) {
            const double height = std::clamp(*sample.rtt / top, 0.0, 1.0) * chart.height();
            p.fillRect(QRectF(right - barWidth, chart.bottom() - height, barWidth, height),
                       palette.colourFor(*sample.rtt));
        } else {
            p.fillRect(QRectF(right - barWidth, chart.top(), barWidth, chart.height()), lost);
        }
    }
}

const PingMonitor* firstMonitor(const Target& target) {
    return target.monitors().empty() ? nullptr : target.monitors().front().get();
}

} // namespace

Palette currentPalette(double greenMax, double yellowMax) {
    Palette palette;
    static_cast<theme::LatencyPalette&>(palette) = theme::latencyPalette(greenMax, yellowMax);
    palette.primary = theme::primaryText();
    palette.secondary = theme::secondaryText();
    palette.tertiary = theme::isDark() ? QColor(235, 235, 245, 80) : QColor(60, 60, 67, 85);
    palette.gray = theme::gray();
    return palette;
}

void paintHostPing(QPainter& p, const QRectF& body, const Target& target, const Palette& palette) {
    const PingMonitor* monitor = firstMonitor(target);
    if (!monitor || monitor->samples().empty()) {
        drawWaiting(p, body, QStringLiteral("waiting…"), palette);
        return;
    }
    QStringList footer;
    if (const std::optional<double> jitter = target.jitter())
        footer << QString::asprintf("jitter %.0f ms", *jitter);
    if (const std::optional<double> mos = target.mos())
        footer << QString::asprintf("MOS %.1f", *mos);
    const QRectF chart = drawFooter(p, body, footer.join(QStringLiteral("  ·  ")), palette);
    const double top = chartTop(palette.thresholds, monitor->stats().p95);
    drawSampleBars(p, chart, monitor->samples(), kHostPingSamples, top, palette);
}

void paintTraceroute(QPainter& p, const QRectF& body, const Target& target, int units,
                     const Palette& palette) {
    const PingMonitor* monitor = firstMonitor(target);
    const std::vector<HopStat> noHops;
    const std::vector<HopStat>& hops = monitor ? monitor->hopStats() : noHops;
    const int count = int(hops.size());
    const QRectF list = drawFooter(p, body, QStringLiteral("%1 hops").arg(count), palette);
    if (hops.empty()) {
        drawWaiting(p, list, QStringLiteral("tracing route…"), palette);
        return;
    }
    const int shown = std::min(count, dashboard::hopRowLimit(units));
    const int further = count - shown;
    double largest = 0;
    for (int i = 0; i < shown; ++i)
        largest = std::max(largest, hops[std::size_t(i)].last.value_or(0.0));
    const double scale = hopBarScale(palette.thresholds, largest);

    const int lines = shown + (further > 0 ? 1 : 0);
    const double rowHeight = std::min(kMaxHopRowHeight, list.height() / lines);
    const QFont numberFont = theme::monospacedDigits(theme::TextStyle::caption2);
    const QFont nameFont = theme::font(theme::TextStyle::caption);
    const QFontMetricsF numberMetrics(numberFont);
    const double numberWidth = numberMetrics.horizontalAdvance(QStringLiteral("00"));
    const double valueWidth = numberMetrics.horizontalAdvance(QStringLiteral("0000"));
    const double nameLeft = list.left() + numberWidth + 6;
    const double nameWidth = std::floor(list.width() * 0.42);
    const double barLeft = nameLeft + nameWidth + 8;
    const double barWidth = std::max(0.0, list.right() - valueWidth - 6 - barLeft);
    const double barHeight = std::clamp(rowHeight * 0.3, 3.0, 5.0);
    const QColor track = theme::withOpacity(palette.secondary, 0.18);

    for (int i = 0; i < shown; ++i) {
        const HopStat& hop = hops[std::size_t(i)];
        const QRectF row(list.left(), list.top() + i * rowHeight, list.width(), rowHeight);
        p.setFont(numberFont);
        p.setPen(palette.tertiary);
        shaped_text::draw(p, QRectF(row.left(), row.top(), numberWidth, rowHeight),
                          Qt::AlignRight | Qt::AlignVCenter, QString::number(hop.number));
        p.setFont(nameFont);
        p.setPen(palette.primary);
        const QString name = shaped_text::elided(nameFont, hop.hostname.value_or(hop.host),
                                                 Qt::ElideMiddle, nameWidth);
        shaped_text::draw(p, QRectF(nameLeft, row.top(), nameWidth, rowHeight),
                          Qt::AlignLeft | Qt::AlignVCenter, name);
        const QRectF bar(barLeft, row.center().y() - barHeight / 2, barWidth, barHeight);
        p.fillRect(bar, track);
        if (hop.last) {
            const double filled = std::clamp(*hop.last / scale, 0.0, 1.0) * barWidth;
            p.fillRect(QRectF(bar.left(), bar.top(), std::max(filled, 1.0), barHeight),
                       palette.colourFor(*hop.last));
        }
        p.setFont(numberFont);
        p.setPen(palette.secondary);
        shaped_text::draw(p, QRectF(list.right() - valueWidth, row.top(), valueWidth, rowHeight),
                          Qt::AlignRight | Qt::AlignVCenter,
                          hop.last ? QString::asprintf("%.0f", *hop.last) : QStringLiteral("—"));
    }
    if (further > 0) {
        p.setFont(theme::font(theme::TextStyle::caption2));
        p.setPen(palette.tertiary);
        shaped_text::draw(
            p, QRectF(nameLeft, list.top() + shown * rowHeight, list.width(), rowHeight),
            Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("+ %1 more hops").arg(further));
    }
}

void paintServiceCheck(QPainter& p, const QRectF& body, const Target& target,
                       const Palette& palette) {
    const PingMonitor* monitor = firstMonitor(target);
    const bool down = target.health() == TargetHealth::down;
    const std::optional<double> latency = target.currentLatency();

    const QFont figureFont = theme::fontOfSize(22, true);
    const QFontMetricsF figureMetrics(figureFont);
    const QString figure = latency ? formatMilliseconds(*latency, 0) : QStringLiteral("—");
    const QRectF figureBox(body.left(), body.top(), figureMetrics.horizontalAdvance(figure) + 2,
                           figureMetrics.height());
    p.setFont(figureFont);
    p.setPen(down ? palette.red : palette.primary);
    shaped_text::draw(p, figureBox, Qt::AlignLeft | Qt::AlignVCenter, figure);

    const bool checked = monitor && !monitor->samples().empty();
    // The uptime and status stand at the trailing end, level with the figure.
    const QRectF details(figureBox.right() + 10, figureBox.top(),
                         std::max(0.0, body.right() - figureBox.right() - 10), figureBox.height());
    if (checked) {
        const QFont uptimeFont = theme::font(theme::TextStyle::caption);
        const QFont statusFont = theme::font(theme::TextStyle::caption2);
        const QString uptime = QString::asprintf("%.1f%% uptime", 100.0 - target.lossPct());
        const std::optional<int> status = monitor->httpStatus();
        p.setPen(palette.secondary);
        if (status) {
            const double half = details.height() / 2;
            p.setFont(uptimeFont);
            shaped_text::draw(p, QRectF(details.left(), details.top(), details.width(), half),
                              Qt::AlignRight | Qt::AlignBottom, uptime);
            p.setFont(statusFont);
            shaped_text::draw(
                p, QRectF(details.left(), details.top() + half + 1, details.width(), half),
                Qt::AlignRight | Qt::AlignTop, QStringLiteral("HTTP %1").arg(*status));
        } else {
            p.setFont(uptimeFont);
            shaped_text::draw(p, details, Qt::AlignRight | Qt::AlignVCenter, uptime);
        }
    }

    const QRectF chart(body.left(), figureBox.bottom() + 6, body.width(),
                       std::max(0.0, body.bottom() - figureBox.bottom() - 6));
    if (!checked) {
        drawWaiting(p, chart, QStringLiteral("waiting…"), palette);
        return;
    }
    const double top = chartTop(palette.thresholds, monitor->stats().p95);
    drawSampleBars(p, chart, monitor->samples(), kServiceChecks, top, palette);
}

namespace {

struct CellGrid {
    int columns = 1;
    double side = 0;
    double spacing = 0;
};

// The largest cells (up to a comfortable size) that fit every host into `area`.
CellGrid cellGrid(int count, const QSizeF& area) {
    for (double side = 10; side >= 2; side -= 1) {
        const double spacing = side >= 6 ? 2 : 1;
        const int columns = std::max(1, int((area.width() + spacing) / (side + spacing)));
        const int rows = (count + columns - 1) / columns;
        if (rows * (side + spacing) - spacing <= area.height())
            return {columns, side, spacing};
    }
    const int columns = std::max(1, int((area.width() + 1) / 3));
    return {columns, 2, 1};
}

struct StampKey {
    QRgb colour;
    double side;
    double pixelRatio;
    bool operator==(const StampKey&) const = default;
};

size_t qHash(const StampKey& key, size_t seed) {
    return qHashMulti(seed, key.colour, key.side, key.pixelRatio);
}

// A sweep has a few colours and hundreds of cells: each colour's rounded cell is drawn once and
// stamped. The cells of every sweep tile share a handful of colours and sizes, which the cache
// holds many times over.
const QImage& cellStamp(const QColor& colour, double side, double pixelRatio) {
    static QCache<StampKey, QImage> stamps(64);
    return stamp(stamps, StampKey{colour.rgba(), side, pixelRatio}, QSizeF(side, side), pixelRatio,
                 [&](QPainter& cell) {
                     cell.setPen(Qt::NoPen);
                     cell.setBrush(colour);
                     const double radius = std::min(2.0, side / 4);
                     cell.drawRoundedRect(QRectF(0, 0, side, side), radius, radius);
                 });
}

} // namespace

void paintSweep(QPainter& p, const QRectF& body, const Target& target, const Palette& palette) {
    const int hosts = int(target.monitors().size());
    const QFont countFont = theme::fontOfSize(32, true);
    const QFont ofFont = theme::font(theme::TextStyle::title3);
    const QFontMetricsF countMetrics(countFont);
    const QFontMetricsF ofMetrics(ofFont);
    const QString alive = QString::number(aliveHostCount(target));
    const double baseline = body.top() + countMetrics.ascent() - 4;
    p.setFont(countFont);
    p.setPen(palette.green);
    shaped_text::drawAt(p, QPointF(body.left(), body.top() - 4), alive);
    p.setFont(ofFont);
    p.setPen(palette.secondary);
    shaped_text::drawAt(p,
                        QPointF(body.left() + shaped_text::width(countFont, alive) + 4,
                                baseline - ofMetrics.ascent()),
                        QStringLiteral("/ %1").arg(hosts));

    const QFont captionFont = theme::font(theme::TextStyle::caption);
    const QFontMetricsF captionMetrics(captionFont);
    const QRectF caption(body.left(), baseline + countMetrics.descent() - 2, body.width(),
                         captionMetrics.height());
    p.setFont(captionFont);
    shaped_text::draw(p, caption, Qt::AlignLeft | Qt::AlignVCenter,
                      target.isScanning()
                          ? QStringLiteral("scanning… %1/%2").arg(knownHostCount(target)).arg(hosts)
                          : QStringLiteral("hosts alive"));

    const QRectF cells(body.left(), caption.bottom() + 6, body.width(),
                       std::max(0.0, body.bottom() - caption.bottom() - 6));
    if (hosts == 0 || cells.height() < 2)
        return;
    const CellGrid grid = cellGrid(hosts, cells.size());
    const QColor dead = theme::withOpacity(palette.red, kDeadCellOpacity);
    const QColor unknown = theme::withOpacity(palette.gray, 0.25);
    const double pitch = grid.side + grid.spacing;
    const double ratio = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    for (int i = 0; i < hosts; ++i) {
        const PingMonitor& monitor = *target.monitors()[std::size_t(i)];
        const QRectF cell(cells.left() + (i % grid.columns) * pitch,
                          cells.top() + (i / grid.columns) * pitch, grid.side, grid.side);
        QColor fill = unknown;
        if (monitor.alive() == true)
            fill = monitor.latency() ? palette.colourFor(*monitor.latency()) : palette.green;
        else if (monitor.alive() == false)
            fill = dead;
        p.drawImage(cell.topLeft(), cellStamp(fill, grid.side, ratio));
    }
}

} // namespace vantorel::tile
