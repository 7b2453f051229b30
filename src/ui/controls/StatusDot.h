#pragma once

#include <QColor>
#include <QWidget>

namespace vantorel {

// A target's status as a coloured dot with a faint halo of the same colour.
class StatusDot : public QWidget {
    Q_OBJECT

public:
    explicit StatusDot(int diameter, QWidget* parent = nullptr);

    QColor colour() const { return colour_; }
    void setColour(const QColor& colour);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int diameter_;
    QColor colour_;
};

} // namespace vantorel
