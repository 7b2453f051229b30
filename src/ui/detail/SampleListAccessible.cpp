#include "ui/detail/SampleListAccessible.h"

#include "records/PingSample.h"
#include "ui/detail/SampleListModel.h"
#include "ui/detail/SampleListView.h"

#include <QPointer>
#include <QPushButton>
#include <QWindow>

namespace vantorel {

namespace {

class SampleRowAccessible : public QAccessibleInterface {
public:
    SampleRowAccessible(SampleListView* list, std::int64_t sequence)
        : list_(list)
        , sequence_(sequence) {}

    int row() const { return list_ ? list_->sampleModel()->rowOf(sequence_).value_or(-1) : -1; }

    bool isValid() const override { return row() >= 0; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_ ? list_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return list_ ? QAccessible::queryAccessibleInterface(list_.data()) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }

    QString text(QAccessible::Text kind) const override {
        if (kind != QAccessible::Name || !isValid())
            return {};
        return list_->model()->index(row(), 0).data(Qt::AccessibleTextRole).toString();
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!isValid())
            return {};
        const QRect shown = list_->visualRect(list_->model()->index(row(), 0));
        return {list_->viewport()->mapToGlobal(shown.topLeft()), shown.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.readOnly = true;
        state.invalid = !isValid();
        state.offscreen = isValid() && !list_->viewport()->rect().intersects(
                                           list_->visualRect(list_->model()->index(row(), 0)));
        return state;
    }

private:
    QPointer<SampleListView> list_;
    const std::int64_t sequence_;
};

QAccessibleInterface* describe(const QString& className, QObject* object) {
    if (className == QLatin1String("vantorel::SampleListView"))
        return new SampleListAccessible(static_cast<SampleListView*>(object));
    return nullptr;
}

} // namespace

void SampleListAccessible::install() {
    static const bool installed = (QAccessible::installFactory(describe), true);
    Q_UNUSED(installed);
}

SampleListAccessible::SampleListAccessible(SampleListView* list)
    : QAccessibleWidget(list, QAccessible::List) {}

SampleListAccessible::~SampleListAccessible() {
    for (const QAccessible::Id id : std::as_const(rows_))
        QAccessible::deleteAccessibleInterface(id);
}

SampleListView* SampleListAccessible::list() const {
    return static_cast<SampleListView*>(widget());
}

int SampleListAccessible::childCount() const {
    return 1 + list()->model()->rowCount();
}

QAccessibleInterface* SampleListAccessible::child(int index) const {
    if (index == 0)
        return QAccessible::queryAccessibleInterface(list()->nowButton());
    const PingSample* sample = list()->sampleModel()->sample(index - 1);
    if (!sample)
        return nullptr;
    if (const auto found = rows_.constFind(sample->id); found != rows_.cend())
        return QAccessible::accessibleInterface(*found);
    auto* row = new SampleRowAccessible(list(), sample->id);
    rows_.insert(sample->id, QAccessible::registerAccessibleInterface(row));
    return row;
}

int SampleListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child)
        return -1;
    if (child->object() == list()->nowButton())
        return 0;
    if (const auto* row = dynamic_cast<const SampleRowAccessible*>(child))
        return row->row() < 0 ? -1 : 1 + row->row();
    return -1;
}

QAccessibleInterface* SampleListAccessible::childAt(int x, int y) const {
    const QPoint global(x, y);
    if (list()->nowButton()->isVisible() &&
        list()->nowButton()->rect().contains(list()->nowButton()->mapFromGlobal(global)))
        return child(0);
    const QModelIndex index = list()->indexAt(list()->viewport()->mapFromGlobal(global));
    return index.isValid() ? child(1 + index.row()) : nullptr;
}

} // namespace vantorel
