#pragma once

#include <QWidget>
#include <memory>

namespace vantorel {

class Target;

// One small cell per host of a sweep, in as many columns as fit: the host's last address part on
// the latency colour of its reply, red when it did not answer, gray until it is scanned. The
// tooltip names the host and its reply time.
class HostGrid : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMinCellWidth = 52;
    static constexpr int kSpacing = 4;
    static constexpr int kCellHeight = 24;

    explicit HostGrid(std::shared_ptr<Target> target, QWidget* parent = nullptr);

    int columns() const { return columnsFor(width()); }
    QRect cellRect(int index) const;
    // The host under `position`, or -1.
    int cellAt(const QPoint& position) const;
    QString toolTipFor(int index) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {kMinCellWidth, kCellHeight}; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static int columnsFor(int width);
    int cellCount() const;

    std::shared_ptr<Target> target_;
};

} // namespace vantorel
