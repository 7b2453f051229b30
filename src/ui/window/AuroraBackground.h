#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

namespace vantorel {

// The slowly moving colour field behind the main window: a 3 × 3 mesh gradient in the dark or
// light colour set, its centre point drifting on a slow ellipse, under a 10 % wash of black (dark)
// or white (light).
//
// The mesh is rendered into a small image and scaled up smoothly, at most every 50 ms and only
// while the window can be seen; a frame that would look no different from the one on screen is
// not painted, so the window costs little while it sits open.
class AuroraBackground : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFrameIntervalMs = 50;

    explicit AuroraBackground(QWidget* parent = nullptr);

    // Takes up the colour scheme now in force.
    void applyTheme();
    // The image currently scaled up to fill the widget.
    const QImage& frame() const { return frame_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void advance();
    void renderNow();
    QImage render(double seconds, int width, bool dither) const;

    QTimer timer_;
    QImage probe_; // coarse, undithered: what changes are judged on
    QImage frame_;
};

} // namespace vantorel
