#pragma once

#include <QAbstractListModel>
#include <cstdint>
#include <memory>
#include <optional>

namespace vantorel {

class PingMonitor;
struct PingSample;

// A monitor's samples as list rows, newest first. Rows are read from the monitor's series on
// demand; nothing is copied per sample. When the series grows at the new end and is trimmed at
// the old end, the rows are announced as inserted at the top and removed at the bottom, so a view
// keeps its place; anything else (a history load into an empty series) resets the model.
class SampleListModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        // Qt::DisplayRole: the trailing text, "12.3 ms" or "timeout".
        timeRole = Qt::UserRole + 1, // the time label with seconds
        sequenceRole,                // "seq 42"
        sequenceNumberRole,          // 42 (qint64)
        lostRole,                    // true for a lost probe
        rttRole,                     // the round-trip time in ms, invalid when lost
    };

    explicit SampleListModel(std::shared_ptr<PingMonitor> monitor, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The sample shown in `row`, or null outside the announced rows.
    const PingSample* sample(int row) const;
    // The row of the sample numbered `sequence`, when it is still in the series.
    std::optional<int> rowOf(std::int64_t sequence) const;

    // Takes in what changed in the monitor's series since the last call.
    void sync();

private:
    std::shared_ptr<PingMonitor> monitor_;
    // Rows the views know of.
    int count_ = 0;
    // Samples already in the series at the new end but not announced yet.
    int unannounced_ = 0;
    std::int64_t newestSequence_ = 0;
};

} // namespace vantorel
