#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace vantorel {

// One section of the preferences form: a title above a rounded box of rows, with hairlines
// between the rows.
class PreferencesSection : public QWidget {
    Q_OBJECT

public:
    explicit PreferencesSection(const QString& title, QWidget* parent = nullptr);

    // A row with the label on the left and the control, then the unit if any, on the right. The
    // control takes the label as its accessible name. Returns the unit label, if any.
    QLabel* addRow(const QString& label, QWidget* control, const QString& unit = QString());
    // A line of secondary text across the box. Returns it, for texts that change.
    QLabel* addCaption(const QString& text);

    // Colours the title, row labels, units and captions for the scheme in force.
    void applyColourScheme(bool dark);

private:
    class Box;

    QLabel* title_ = nullptr;
    Box* box_ = nullptr;
    QVBoxLayout* rows_ = nullptr;
    QList<QLabel*> primaryLabels_;
    QList<QLabel*> secondaryLabels_;
};

} // namespace vantorel
