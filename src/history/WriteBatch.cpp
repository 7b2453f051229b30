#include "history/WriteBatch.h"

#include "history/HistoryDatabase.h"

namespace vantorel {

void WriteBatch::addSample(QByteArray key, const PingSample& sample) {
    samples_.emplace_back(std::move(key), sample);
}

void WriteBatch::setTracePath(QByteArray key, QByteArray json, Date updated) {
    tracePaths_.insert_or_assign(std::move(key), std::pair(std::move(json), updated));
}

void WriteBatch::setSweepState(QByteArray key, QByteArray json, Date updated) {
    sweepStates_.insert_or_assign(std::move(key), std::pair(std::move(json), updated));
}

void WriteBatch::commitTo(HistoryDatabase& database) {
    if (empty())
        return;
    database.beginTransaction();
    for (const auto& [key, sample] : samples_)
        database.appendSample(key, sample);
    for (const auto& [key, text] : tracePaths_)
        database.saveTracePath(key, text.first, text.second);
    for (const auto& [key, text] : sweepStates_)
        database.saveSweepState(key, text.first, text.second);
    database.commitTransaction();
    samples_.clear();
    tracePaths_.clear();
    sweepStates_.clear();
}

} // namespace vantorel
