#pragma once

#include "targets/TargetKind.h"

#include <QWidget>

class QPainter;

namespace vantorel {

// The small rounded tag after a target's name that says what kind it is ("Host Ping").
class KindBadge : public QWidget {
    Q_OBJECT

public:
    explicit KindBadge(TargetKind kind, QWidget* parent = nullptr);

    // The badge's look for views that paint it in place rather than as a child widget.
    static QFont badgeFont();
    static QSizeF badgeSize(const QString& text);
    static void paint(QPainter& painter, const QRectF& area, const QString& text);

    QString text() const { return text_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

} // namespace vantorel
