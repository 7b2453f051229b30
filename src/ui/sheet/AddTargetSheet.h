#pragma once

#include "targets/TargetKind.h"
#include "targets/TargetSpec.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vantorel {

class FormSegmentedPicker;

// The form in which the user picks a kind, types an address, range or service address, sees at
// once whether it can be added, and adds it. Window-modal over its parent; a fresh sheet is built
// each time one is opened.
//
// "Add" and Return in any field emit addRequested with the spec and accept the sheet, but only
// while the entry can be added; "Cancel" and Escape reject it.
class AddTargetSheet : public QDialog {
    Q_OBJECT

public:
    explicit AddTargetSheet(QWidget* parent = nullptr);

Q_SIGNALS:
    void addRequested(const vantorel::TargetSpec& spec);

private:
    TargetKind kind() const;
    int chosenPrefix() const;
    std::optional<TargetSpec> specToAdd() const;

    void showFieldsOfKind();
    void refreshStatus();
    void addIfPossible();
    void applyColourScheme();

    FormSegmentedPicker* kindPicker_ = nullptr;
    QLabel* hostCaption_ = nullptr;
    QLineEdit* hostField_ = nullptr;
    QWidget* endHostColumn_ = nullptr;
    QLineEdit* endHostField_ = nullptr;
    QWidget* maskColumn_ = nullptr;
    QComboBox* maskPicker_ = nullptr;
    QLabel* statusIcon_ = nullptr;
    QLabel* statusLine_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QList<QLabel*> captions_;
};

} // namespace vantorel
