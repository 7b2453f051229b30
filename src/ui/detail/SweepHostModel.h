#pragma once

#include <QAbstractListModel>
#include <memory>
#include <vector>

namespace vantorel {

class Target;

// The hosts of a sweep as list rows, in host order, filtered by what they answered: alive and
// dead hosts show only while their filter is on; hosts without a result yet always show.
class SweepHostModel : public QAbstractListModel {
    Q_OBJECT

public:
    enum class Status { unknown, alive, dead };
    enum Role {
        // Qt::DisplayRole: the host.
        hostnameRole = Qt::UserRole + 1, // the reverse name, invalid when unknown
        statusRole,                      // Status as int
        statusTextRole,                  // "Alive", "Dead" or "checking…"
        replyTextRole,                   // "1.2 ms" for an alive host, else empty
    };

    explicit SweepHostModel(std::shared_ptr<Target> target, QObject* parent = nullptr);

    bool showAlive() const { return showAlive_; }
    bool showDead() const { return showDead_; }
    void setFilter(bool showAlive, bool showDead);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Takes in the hosts' latest results.
    void refresh();

private:
    std::vector<int> visibleHosts() const;
    Status status(int host) const;

    std::shared_ptr<Target> target_;
    bool showAlive_ = true;
    bool showDead_ = false;
    // Indices into the target's monitors.
    std::vector<int> rows_;
};

} // namespace vantorel
