#pragma once

#include <QScrollArea>

namespace vantorel {

// A vertical scroll area that lets the glass show through: no frame, no background, and a thin
// rounded scroll bar that only takes room when the content is taller than the area.
class PaneScrollArea : public QScrollArea {
    Q_OBJECT

public:
    explicit PaneScrollArea(QWidget* parent = nullptr);

    // Takes `content` and keeps it transparent (QScrollArea would fill its background).
    void setContent(QWidget* content);
};

} // namespace vantorel
