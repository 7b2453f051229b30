#pragma once

#include <QWidget>

class QGridLayout;
class QLabel;

namespace vantorel {

class Target;

// The four figures of a service check under its headline: uptime, checks passed, the HTTP
// status (or that the probe is a TCP connect) and the last failure. Four across where they fit,
// else two by two.
class ServiceStats : public QWidget {
    Q_OBJECT

public:
    explicit ServiceStats(QWidget* parent = nullptr);

    void refresh(const Target& target);

    QString caption(int cell) const;
    QString value(int cell) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int columnsFor(int width) const;
    int widthOf(int columns) const;
    // As tall as the rows of the arrangement in force.
    int height(int columns) const;
    void arrange(int columns);

    struct Cell {
        QLabel* caption = nullptr;
        QLabel* value = nullptr;
        QWidget* box = nullptr;
    };
    Cell cells_[4];
    QGridLayout* grid_ = nullptr;
    int columns_ = 0;
};

} // namespace vantorel
