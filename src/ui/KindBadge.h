#pragma once

#include "targets/TargetKind.h"

#include <QWidget>

namespace vantorel {

// The small rounded tag after a target's name that says what kind it is ("Host Ping").
class KindBadge : public QWidget {
    Q_OBJECT

public:
    explicit KindBadge(TargetKind kind, QWidget* parent = nullptr);

    QString text() const { return text_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

} // namespace vantorel
