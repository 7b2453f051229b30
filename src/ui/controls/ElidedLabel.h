#pragma once

#include <QLabel>

namespace vantorel {

// A one-line label that shortens its text with "…" when it does not fit, instead of widening its
// column: at its end, or in its middle for names and addresses, whose two ends tell them apart.
// text() and the accessible name still give the whole text, and the tooltip shows it while it is
// cut.
class ElidedLabel : public QLabel {
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setElideMode(Qt::TextElideMode mode);
    // The text as it fits the label's width now.
    QString shownText() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateToolTip();

    Qt::TextElideMode elideMode_ = Qt::ElideRight;
};

} // namespace vantorel
