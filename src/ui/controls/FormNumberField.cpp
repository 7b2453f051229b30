#include "ui/controls/FormNumberField.h"

#include "settings/Preferences.h"
#include "ui/controls/Theme.h"

#include <QLocale>
#include <algorithm>
#include <cmath>

namespace vantorel {

FormNumberField::FormNumberField(const QString& key, Format format, QWidget* parent)
    : FormTextField(parent)
    , key_(key)
    , format_(format) {
    setObjectName(key);
    setFixedWidth(theme::scaled(60));
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    showStoredValue();
    connect(this, &QLineEdit::editingFinished, this, &FormNumberField::commit);
    connect(&Preferences::instance(), &Preferences::changed, this,
            &FormNumberField::preferenceChanged);
}

void FormNumberField::setStoredRange(qint64 minimum, qint64 maximum) {
    storedRange_ = std::pair(minimum, maximum);
}

std::optional<QVariant> FormNumberField::parse(const QString& text) const {
    const QLocale locale;
    bool ok = false;
    if (format_ == Format::integer) {
        const qint64 value = locale.toLongLong(text, &ok);
        return ok ? std::optional<QVariant>(value) : std::nullopt;
    }
    const double value = locale.toDouble(text, &ok);
    // "inf" and "nan" read as numbers, but no setting means anything by them.
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return QVariant(value);
}

QString FormNumberField::format(const QVariant& value) const {
    const QLocale locale;
    if (format_ == Format::integer)
        return locale.toString(value.toLongLong());
    return locale.toString(value.toDouble(), 'f', QLocale::FloatingPointShortest);
}

QVariant FormNumberField::storedValue() const {
    const Preferences& preferences = Preferences::instance();
    if (format_ == Format::integer)
        return preferences.integerValue(key_);
    return preferences.doubleValue(key_);
}

void FormNumberField::commit() {
    store(text());
    // Whatever was typed, the field ends up showing the value in force, in the locale's form.
    showStoredValue();
}

void FormNumberField::store(const QString& text) {
    std::optional<QVariant> value = parse(text);
    if (!value)
        return;
    if (storedRange_)
        value = std::clamp(value->toLongLong(), storedRange_->first, storedRange_->second);
    // Re-storing the value in force would announce a change that is none.
    if (*value != storedValue())
        Preferences::instance().setValue(key_, *value);
}

void FormNumberField::preferenceChanged(const QString& key) {
    // A change made elsewhere replaces the text, unless the user is typing over it.
    if (key == key_ && !isModified())
        showStoredValue();
}

void FormNumberField::showStoredValue() {
    const QString text = format(storedValue());
    if (text != this->text())
        setText(text);
    setModified(false);
}

} // namespace vantorel
