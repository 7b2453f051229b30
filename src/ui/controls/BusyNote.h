#pragma once

#include <QWidget>

class QLabel;

namespace vantorel {

class ActivitySpinner;

// A spinner beside a short text ("Tracing route…", "Scanning 12/254"), optionally on a rounded
// rectangle of the thin material.
class BusyNote : public QWidget {
    Q_OBJECT

public:
    BusyNote(bool onMaterial, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    ActivitySpinner* spinner() const { return spinner_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool onMaterial_;
    ActivitySpinner* spinner_ = nullptr;
    QLabel* label_ = nullptr;
};

} // namespace vantorel
