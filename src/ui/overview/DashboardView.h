#pragma once

#include <QUuid>
#include <QWidget>

class QLabel;
class QScrollArea;

namespace vantorel {

class DashboardCanvas;
class HostStore;

// The overview ("Overview"): every switched-on target as a tile on a glass panel, in as many
// columns as the width allows, or a sentence saying there is nothing to show. Pressing a tile
// asks for that target to be opened.
class DashboardView : public QWidget {
    Q_OBJECT

public:
    explicit DashboardView(HostStore& store, QWidget* parent = nullptr);

    DashboardCanvas* canvas() const { return canvas_; }

Q_SIGNALS:
    void targetChosen(const QUuid& id);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followStore();

    HostStore& store_;
    QLabel* empty_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    DashboardCanvas* canvas_ = nullptr;
};

} // namespace vantorel
