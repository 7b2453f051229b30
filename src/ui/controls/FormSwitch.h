#pragma once

#include <QAbstractButton>

namespace vantorel {

// An on/off switch: a rounded track with a round knob, filled with the accent colour when on.
// It carries no text of its own; the form row beside it names it, and so should its accessible
// name.
class FormSwitch : public QAbstractButton {
    Q_OBJECT

public:
    explicit FormSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    bool focusRing_ = false;
};

} // namespace vantorel
