#pragma once

#include <QLabel>

namespace vantorel {

// A one-line label that ends in "…" when its text does not fit, instead of widening its column;
// text() still gives the whole text, and the tooltip shows it while it is cut.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateToolTip();
};

} // namespace vantorel
