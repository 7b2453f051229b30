#pragma once

#include "platform/Clock.h"
#include "records/PingSample.h"

#include <QByteArray>
#include <deque>
#include <map>
#include <utility>

namespace vantorel {

class HistoryDatabase;

// Writes waiting for their transaction. A commit per sample cost more than the probe that
// produced it; gathered for a moment, a whole batch costs one commit. Gathered on the main thread,
// committed on the store's queue.
class WriteBatch {
public:
    bool empty() const { return samples_.empty() && tracePaths_.empty() && sweepStates_.empty(); }

    void addSample(QByteArray key, const PingSample& sample);
    // A later text of the same key replaces the earlier one, as it would in the table.
    void setTracePath(QByteArray key, QByteArray json, Date updated);
    void setSweepState(QByteArray key, QByteArray json, Date updated);

    // Writes everything in one transaction and empties the batch.
    void commitTo(HistoryDatabase& database);

private:
    using Texts = std::map<QByteArray, std::pair<QByteArray, Date>>;

    // In small blocks, for the reason the ICMP engine holds its probes so.
    std::deque<std::pair<QByteArray, PingSample>> samples_;
    Texts tracePaths_;
    Texts sweepStates_;
};

} // namespace vantorel
