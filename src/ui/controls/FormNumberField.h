#pragma once

#include "ui/controls/FormTextField.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace vantorel {

// A number field bound to one preference. It shows the stored value in the user's locale,
// stores what was typed when the edit is finished (Return, focus leaving the field, or commit())
// if the locale's number format reads it, shows the value in force after that, and follows
// changes made elsewhere. Nothing is stored while typing: on the way from "30" to "300" the
// history window must not pass through 3 minutes.
class FormNumberField : public FormTextField {
    Q_OBJECT

public:
    enum class Format { integer, floating };

    FormNumberField(const QString& key, Format format, QWidget* parent = nullptr);

    // Edits are stored limited to minimum…maximum, and the field then shows what was stored.
    void setStoredRange(qint64 minimum, qint64 maximum);

    // Finishes the edit: stores what was typed when it reads as a number, then shows the value
    // in force.
    void commit();

private:
    std::optional<QVariant> parse(const QString& text) const;
    QString format(const QVariant& value) const;
    QVariant storedValue() const;
    void store(const QString& text);
    void preferenceChanged(const QString& key);
    void showStoredValue();

    const QString key_;
    const Format format_;
    std::optional<std::pair<qint64, qint64>> storedRange_;
};

} // namespace vantorel
