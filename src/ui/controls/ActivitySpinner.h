#pragma once

#include <QTimer>
#include <QWidget>

namespace vantorel {

// A small turning arc that says "working on it". It only ticks while visible, so a spinner on a
// page nobody looks at costs nothing.
class ActivitySpinner : public QWidget {
    Q_OBJECT

public:
    explicit ActivitySpinner(int diameter, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {diameter_, diameter_}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int diameter_;
    int step_ = 0;
    QTimer ticker_;
};

} // namespace vantorel
