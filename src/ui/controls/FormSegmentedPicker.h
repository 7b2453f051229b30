#pragma once

#include <QButtonGroup>
#include <QList>
#include <QStringList>
#include <QWidget>

class QAbstractButton;

namespace vantorel {

// A row of mutually exclusive segments on a rounded track, one of which is chosen (or none,
// when the bound value matches no segment). Like a radio group it is one tab stop, whose arrow
// keys (and Home, End) move the choice.
class FormSegmentedPicker : public QWidget {
    Q_OBJECT

public:
    explicit FormSegmentedPicker(const QStringList& labels, QWidget* parent = nullptr);

    int count() const { return int(segments_.size()); }
    // -1 when no segment is chosen.
    int currentIndex() const;
    // Chooses a segment without reporting it as the user's choice; -1 clears the choice.
    void setCurrentIndex(int index);

    QAbstractButton* segment(int index) const { return segments_.value(index); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The user chose a segment.
    void activated(int index);
    // The chosen segment changed, by the user or by setCurrentIndex.
    void currentIndexChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateTabStop();

    QButtonGroup group_;
    QList<QAbstractButton*> segments_;
    int current_ = -1;
};

} // namespace vantorel
