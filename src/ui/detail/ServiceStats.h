#pragma once

#include <QWidget>

class QLabel;

namespace vantorel {

class Target;

// The four figures of a service check under its headline: uptime, checks passed, the HTTP
// status (or that the probe is a TCP connect) and the last failure.
class ServiceStats : public QWidget {
    Q_OBJECT

public:
    explicit ServiceStats(QWidget* parent = nullptr);

    void refresh(const Target& target);

    QString caption(int cell) const;
    QString value(int cell) const;

private:
    struct Cell {
        QLabel* caption = nullptr;
        QLabel* value = nullptr;
    };
    Cell cells_[4];
};

} // namespace vantorel
