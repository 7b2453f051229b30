#pragma once

#include <QWidget>

class QLabel;

namespace vantorel {

// One named figure on a soft card: a small caption above a large value ("Average" / "12.4 ms").
class FigureTile : public QWidget {
    Q_OBJECT

public:
    FigureTile(const QString& caption, QWidget* parent = nullptr);

    QString value() const;
    void setValue(const QString& value, const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* value_ = nullptr;
};

} // namespace vantorel
