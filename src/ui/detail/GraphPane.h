#pragma once

#include <QWidget>
#include <memory>

class QPushButton;
class QStackedWidget;

namespace vantorel {

class BusyNote;
class DialGauge;
class ElidedLabel;
class EmptyStateView;
class HeadlineFigure;
class HistoryExportDialog;
class HopList;
class HostGrid;
class LatencyHistoryChart;
class PaneScrollArea;
class ServiceStats;
class Target;

// The upper half of the detail area for one target: its name and kind, the headline figure, the
// latency gauge, and below them the history chart (host ping, service check), the hop list
// (traceroute) or the host grid (ping sweep). Built for one target; a new selection builds a new
// pane.
class GraphPane : public QWidget {
    Q_OBJECT

public:
    explicit GraphPane(std::shared_ptr<Target> target, QWidget* parent = nullptr);
    ~GraphPane() override;

    const std::shared_ptr<Target>& target() const { return target_; }
    // Reads the target and the preferences again.
    void refresh();
    // Follows a change of the colour scheme (the preference or the desktop's).
    void applyTheme();

    // Opens the dialog that saves the target's history to a file (the header's "Export…"); null
    // for a sweep, which keeps no samples of its own.
    HistoryExportDialog* openExportDialog();

    QString subtitle() const;
    // The body's placeholder text while it shows one ("Monitoring is off", "Waiting for
    // replies…", or the target's status message while there is nothing else to show), else empty.
    QString emptyStateText() const;
    // Parts that exist only for some kinds; null otherwise.
    LatencyHistoryChart* chart() const { return chart_; }
    DialGauge* gauge() const { return gauge_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildBody();
    void refreshHeadline();
    void refreshGauge();
    void refreshBody();
    void showEmptyState(const QString& symbol, const QString& text);
    void fitGauge();

    std::shared_ptr<Target> target_;
    QWidget* header_ = nullptr;
    ElidedLabel* title_ = nullptr;
    ElidedLabel* subtitle_ = nullptr;
    QPushButton* rescan_ = nullptr;
    QPushButton* export_ = nullptr;
    HeadlineFigure* headline_ = nullptr;
    DialGauge* gauge_ = nullptr;
    ServiceStats* stats_ = nullptr;
    QStackedWidget* body_ = nullptr;
    QWidget* content_ = nullptr;
    EmptyStateView* empty_ = nullptr;
    LatencyHistoryChart* chart_ = nullptr;
    HopList* hops_ = nullptr;
    HostGrid* grid_ = nullptr;
    PaneScrollArea* gridScroller_ = nullptr;
    BusyNote* busy_ = nullptr;
};

} // namespace vantorel
