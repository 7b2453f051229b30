#pragma once

#include <QColor>
#include <QWidget>

namespace vantorel {

// The graph pane's big figure: a number in large bold type followed, on the same baseline, by a
// smaller tail in the secondary colour ("12.3" + " ms", "5" + " / 12 up").
class HeadlineFigure : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFigureSize = 34;

    explicit HeadlineFigure(QWidget* parent = nullptr);

    void setFigure(const QString& figure, const QColor& colour, const QString& tail);
    // Figure and tail as one line, e.g. "12.3 ms".
    QString text() const { return figure_ + tail_; }
    QColor figureColour() const { return colour_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont figureFont() const;
    QFont tailFont() const;

    QString figure_;
    QString tail_;
    QColor colour_;
};

} // namespace vantorel
