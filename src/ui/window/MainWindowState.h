#pragma once

#include <QObject>
#include <QUuid>
#include <optional>

namespace vantorel {

// What the main window is showing, shared by the sidebar and the detail area so that both follow
// one selection. Lives and dies with its window: a new window starts with nothing selected and the
// overview off.
class MainWindowState : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    const std::optional<QUuid>& selection() const { return selection_; }
    bool showOverview() const { return showOverview_; }

    // A new selection always leaves the overview, so the user sees what they picked.
    void setSelection(const std::optional<QUuid>& selection);
    // Picking a target (a card, a dashboard tile) shows it even when it was already selected.
    void select(const QUuid& id);
    void setShowOverview(bool show);

Q_SIGNALS:
    void selectionChanged();
    void overviewChanged();

private:
    std::optional<QUuid> selection_;
    bool showOverview_ = false;
};

} // namespace vantorel
