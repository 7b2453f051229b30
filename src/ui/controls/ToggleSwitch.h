#pragma once

#include <QAbstractButton>
#include <QVariantAnimation>

namespace vantorel {

// An on/off switch: a rounded track that fills with the accent colour and a knob that slides
// across. A checkable button underneath, so keyboard use and accessibility come with it; user
// changes arrive through `clicked(bool)`, changes of the model through setChecked.
class ToggleSwitch : public QAbstractButton {
    Q_OBJECT

public:
    explicit ToggleSwitch(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void slideKnob(bool checked);

    QVariantAnimation knob_; // 0 = off, 1 = on
};

} // namespace vantorel
