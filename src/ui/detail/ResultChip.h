#pragma once

#include <QAbstractButton>
#include <QColor>

namespace vantorel {

// A small capsule with a label over a figure, as in the results pane's header. A chip that
// switches a filter is pressable (by click, Space or Return) and shows whether its filter is on:
// outlined in its colour when on, faded when off.
class ResultChip : public QAbstractButton {
    Q_OBJECT

public:
    enum class Filter { none, on, off };

    explicit ResultChip(const QString& label, QWidget* parent = nullptr);

    QString label() const { return text(); }
    QString value() const { return value_; }
    Filter filter() const { return filter_; }

    void setValue(const QString& value, const QColor& colour);
    // Makes the chip pressable (any state but `none`) and shows the state.
    void setFilter(Filter filter);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString value_;
    QColor valueColour_;
    Filter filter_ = Filter::none;
};

} // namespace vantorel
