#include "ui/window/MainWindowState.h"

namespace vantorel {

void MainWindowState::setSelection(const std::optional<QUuid>& selection) {
    if (selection == selection_)
        return;
    selection_ = selection;
    Q_EMIT selectionChanged();
    setShowOverview(false);
}

void MainWindowState::select(const QUuid& id) {
    setSelection(id);
    setShowOverview(false);
}

void MainWindowState::setShowOverview(bool show) {
    if (show == showOverview_)
        return;
    showOverview_ = show;
    Q_EMIT overviewChanged();
}

} // namespace vantorel
