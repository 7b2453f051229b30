#pragma once

#include "records/HopStat.h"
#include "ui/controls/PaneScrollArea.h"
#include "ui/rules/LatencyScale.h"

#include <vector>

class QVBoxLayout;

namespace vantorel {

class HopRow;

// The hops of a traceroute, one row each, scrolling when they do not fit. Rows are kept and
// given their new figures as the path updates; only a changed hop count adds or drops rows.
class HopList : public PaneScrollArea {
    Q_OBJECT

public:
    explicit HopList(QWidget* parent = nullptr);

    void setHops(const std::vector<HopStat>& hops, const Thresholds& thresholds);
    const std::vector<HopRow*>& rows() const { return rows_; }

private:
    QWidget* content_ = nullptr;
    QVBoxLayout* column_ = nullptr;
    std::vector<HopRow*> rows_;
};

} // namespace vantorel
