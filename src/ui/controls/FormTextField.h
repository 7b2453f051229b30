#pragma once

#include <QLineEdit>

namespace vantorel {

// A text field with a rounded border that turns to the accent colour while the field has focus.
// Drawn by hand rather than by a style sheet, which would cut the field off from the colours of
// the window it sits in.
class FormTextField : public QLineEdit {
    Q_OBJECT

public:
    explicit FormTextField(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace vantorel
