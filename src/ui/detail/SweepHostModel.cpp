#include "ui/detail/SweepHostModel.h"

#include "targets/Target.h"

#include <QStringList>

namespace vantorel {

SweepHostModel::SweepHostModel(std::shared_ptr<Target> target, QObject* parent)
    : QAbstractListModel(parent)
    , target_(std::move(target)) {
    rows_ = visibleHosts();
}

void SweepHostModel::setFilter(bool showAlive, bool showDead) {
    if (showAlive == showAlive_ && showDead == showDead_)
        return;
    showAlive_ = showAlive;
    showDead_ = showDead;
    refresh();
}

SweepHostModel::Status SweepHostModel::status(int host) const {
    const auto& alive = target_->monitors()[std::size_t(host)]->alive();
    if (!alive)
        return Status::unknown;
    return *alive ? Status::alive : Status::dead;
}

std::vector<int> SweepHostModel::visibleHosts() const {
    std::vector<int> rows;
    const int count = int(target_->monitors().size());
    rows.reserve(std::size_t(count));
    for (int host = 0; host < count; ++host) {
        const Status s = status(host);
        if (s == Status::unknown || (s == Status::alive && showAlive_) ||
            (s == Status::dead && showDead_))
            rows.push_back(host);
    }
    return rows;
}

void SweepHostModel::refresh() {
    std::vector<int> rows = visibleHosts();
    if (rows == rows_) {
        if (!rows_.empty())
            Q_EMIT dataChanged(index(0), index(int(rows_.size()) - 1));
        return;
    }
    // A few hundred rows at most: taking them in anew costs less than working out the moves.
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int SweepHostModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

QVariant SweepHostModel::data(const QModelIndex& index, int role) const {
    if (index.row() < 0 || index.row() >= int(rows_.size()))
        return {};
    const int host = rows_[std::size_t(index.row())];
    const PingMonitor& monitor = *target_->monitors()[std::size_t(host)];
    const Status s = status(host);
    switch (role) {
    case Qt::DisplayRole:
        return monitor.host();
    case hostnameRole:
        return monitor.hostname() ? QVariant(*monitor.hostname()) : QVariant();
    case statusRole:
        return int(s);
    case statusTextRole:
        switch (s) {
        case Status::alive:
            return QStringLiteral("Alive");
        case Status::dead:
            return QStringLiteral("Dead");
        case Status::unknown:
            break;
        }
        return QStringLiteral("checking…");
    case replyTextRole:
        if (s == Status::alive && monitor.latency())
            return QString::asprintf("%.1f ms", *monitor.latency());
        return QString();
    case Qt::AccessibleTextRole: {
        QStringList parts{monitor.host()};
        if (monitor.hostname())
            parts.append(*monitor.hostname());
        parts.append(data(index, statusTextRole).toString());
        if (const QString reply = data(index, replyTextRole).toString(); !reply.isEmpty())
            parts.append(reply);
        return parts.join(QStringLiteral(", "));
    }
    default:
        return {};
    }
}

} // namespace vantorel
