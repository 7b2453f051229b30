#pragma once

#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace vantorel {

// The note at the foot of the main window after a target is removed: "Removed 198.51.100.7 —" and
// an "Undo" button, for ten seconds. A newer removal takes the note over.
class RemovalNote : public QWidget {
    Q_OBJECT

public:
    static constexpr int kShownMilliseconds = 10'000;

    explicit RemovalNote(QWidget* parent = nullptr);

    // Shows the note for the target of that name, for the full time again.
    void showFor(const QString& name);
    void dismiss();
    QString text() const;
    int remainingMilliseconds() const { return timer_.remainingTime(); }
    // Follows the colour scheme in force.
    void applyTheme();

Q_SIGNALS:
    void undoRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* label_ = nullptr;
    QPushButton* undo_ = nullptr;
    QTimer timer_;
};

} // namespace vantorel
