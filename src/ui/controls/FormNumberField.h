#pragma once

#include "ui/controls/FormTextField.h"

#include <QString>
#include <QVariant>
#include <optional>

namespace vantorel {

// A number field bound to one preference. It shows the stored value in the user's locale,
// stores every edit that the locale's number format reads (anything else is left unstored
// while typing and replaced by the stored value when editing ends), and follows changes made
// elsewhere.
class FormNumberField : public FormTextField {
    Q_OBJECT

public:
    enum class Format { integer, floating };

    FormNumberField(const QString& key, Format format, QWidget* parent = nullptr);

    // Edits are stored limited to minimum…maximum, and the field then shows what was stored.
    void setStoredRange(qint64 minimum, qint64 maximum);

private:
    std::optional<QVariant> parse(const QString& text) const;
    QString format(const QVariant& value) const;
    QVariant storedValue() const;
    void storeEdit(const QString& text);
    void preferenceChanged(const QString& key);
    void showStoredValue();

    const QString key_;
    const Format format_;
    std::optional<std::pair<qint64, qint64>> storedRange_;
};

} // namespace vantorel
