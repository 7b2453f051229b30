#pragma once

#include <QAbstractButton>

class QLabel;

namespace vantorel {

// The top of the sidebar: the application mark, "Vantorel" and the caption counting targets.
// Pressing it shows or leaves the overview of all targets; it stays tinted while that is shown.
class SidebarHeader : public QAbstractButton {
    Q_OBJECT

public:
    explicit SidebarHeader(QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    void setOverviewShown(bool shown);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* caption_ = nullptr;
    bool overviewShown_ = false;
};

} // namespace vantorel
