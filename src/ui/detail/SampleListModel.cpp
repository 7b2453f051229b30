#include "ui/detail/SampleListModel.h"

#include "monitor/PingMonitor.h"
#include "ui/rules/TimeLabel.h"

#include <algorithm>

namespace vantorel {

SampleListModel::SampleListModel(std::shared_ptr<PingMonitor> monitor, QObject* parent)
    : QAbstractListModel(parent)
    , monitor_(std::move(monitor)) {
    if (!monitor_)
        return;
    const auto& samples = monitor_->samples();
    count_ = int(samples.size());
    newestSequence_ = samples.empty() ? 0 : samples.back().id;
    connect(monitor_.get(), &PingMonitor::changed, this, &SampleListModel::sync);
}

int SampleListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count_;
}

const PingSample* SampleListModel::sample(int row) const {
    if (!monitor_ || row < 0 || row >= count_)
        return nullptr;
    const auto& samples = monitor_->samples();
    const auto index = std::int64_t(samples.size()) - 1 - unannounced_ - row;
    if (index < 0 || index >= std::int64_t(samples.size()))
        return nullptr;
    return &samples[std::size_t(index)];
}

std::optional<int> SampleListModel::rowOf(std::int64_t sequence) const {
    if (!monitor_)
        return std::nullopt;
    const auto& samples = monitor_->samples();
    const auto found = std::lower_bound(
        samples.begin(), samples.end(), sequence,
        [](const PingSample& sample, std::int64_t seq) { return sample.id < seq; });
    if (found == samples.end() || found->id != sequence)
        return std::nullopt;
    const int row = int(samples.end() - found) - 1 - unannounced_;
    if (row < 0 || row >= count_)
        return std::nullopt;
    return row;
}

QVariant SampleListModel::data(const QModelIndex& index, int role) const {
    const PingSample* s = sample(index.row());
    if (!s)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return s->rtt ? QString::asprintf("%.1f ms", *s->rtt) : QStringLiteral("timeout");
    case timeRole:
        return timeLabel(s->time, true);
    case sequenceRole:
        return QStringLiteral("seq %1").arg(s->id);
    case sequenceNumberRole:
        return qint64(s->id);
    case lostRole:
        return !s->rtt.has_value();
    case rttRole:
        return s->rtt ? QVariant(*s->rtt) : QVariant();
    case Qt::AccessibleTextRole:
        return QStringLiteral("%1, seq %2, %3")
            .arg(timeLabel(s->time, true))
            .arg(s->id)
            .arg(data(index, Qt::DisplayRole).toString());
    default:
        return {};
    }
}

void SampleListModel::sync() {
    const auto& samples = monitor_->samples();
    const int size = int(samples.size());
    const std::int64_t newest = samples.empty() ? 0 : samples.back().id;
    if (size == count_ && newest == newestSequence_)
        return; // a change of status, not of the series

    // Samples are numbered upwards, so the new ones are those above the newest one announced;
    // counting from the new end stops after them.
    int added = 0;
    while (added < size && samples[std::size_t(size - 1 - added)].id > newestSequence_)
        ++added;
    const int kept = size - added;
    const int removed = count_ - kept;
    const bool continues = count_ > 0 && removed >= 0 &&
                           (kept == 0 || samples[std::size_t(kept - 1)].id == newestSequence_);
    if (!continues) {
        beginResetModel();
        count_ = size;
        unannounced_ = 0;
        newestSequence_ = newest;
        endResetModel();
        return;
    }

    // The series has already changed under the rows the views know: until the new ones are
    // announced, the rows are read with the new end skipped.
    unannounced_ = added;
    if (removed > 0) {
        beginRemoveRows({}, count_ - removed, count_ - 1);
        count_ -= removed;
        endRemoveRows();
    }
    if (added > 0) {
        beginInsertRows({}, 0, added - 1);
        count_ += added;
        unannounced_ = 0;
        newestSequence_ = newest;
        endInsertRows();
    }
}

} // namespace vantorel
