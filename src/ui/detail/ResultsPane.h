#pragma once

#include <QWidget>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QHBoxLayout;
class QLabel;

namespace vantorel {

class ResultChip;
class SampleListView;
class SweepHostList;
class Target;

// The lower half of the detail area: for a sweep its hosts with filter chips, for the other kinds
// a row of statistic chips over every sample of the target's monitor, newest first. The chips are
// one tab stop, walked with Left and Right.
class ResultsPane : public QWidget {
    Q_OBJECT

public:
    explicit ResultsPane(std::shared_ptr<Target> target, QWidget* parent = nullptr);

    const std::shared_ptr<Target>& target() const { return target_; }

    // The sweep filters.
    bool showAlive() const { return showAlive_; }
    bool showDead() const { return showDead_; }

    // The sample list's position: whether it follows the newest sample, and the sample at its
    // top (none for sweeps and while there is no sample).
    bool followsTop() const;
    std::optional<std::int64_t> topSeq() const;

    // Null for the kind that does not have it.
    SampleListView* sampleList() const { return samples_; }
    SweepHostList* hostList() const { return hosts_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ResultChip* addChip(const QString& label, const QString& objectName);
    void buildSweep();
    void buildStatistics();
    void setFilter(bool showAlive, bool showDead);
    void refresh();
    void refreshSweep();
    void refreshStatistics();
    void placeChips();

    std::shared_ptr<Target> target_;
    bool showAlive_ = true;
    bool showDead_ = false;
    QHBoxLayout* header_ = nullptr;
    QLabel* title_ = nullptr;
    QWidget* chipRow_ = nullptr;
    QHBoxLayout* chipLayout_ = nullptr;
    bool chipsBesideTitle_ = true;
    std::map<QString, ResultChip*> chips_;
    std::vector<ResultChip*> chipOrder_;
    SampleListView* samples_ = nullptr;
    SweepHostList* hosts_ = nullptr;
};

} // namespace vantorel
