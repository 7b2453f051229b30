#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <cstdint>

namespace vantorel {

class SampleListView;

// The sample list as a screen reader sees it: a list whose items are the "Now" button and then
// one item per row, read as "<time>, seq <n>, <figure or timeout>". Qt describes only its own
// item views this way; a view of our own must say it itself.
//
// A row's item stands for its sample rather than its place, so it stays the same item as newer
// samples push it down; it becomes invalid once its sample has left the series.
class SampleListAccessible : public QAccessibleWidget {
public:
    // Makes Qt describe every SampleListView through this class. Idempotent.
    static void install();

    explicit SampleListAccessible(SampleListView* list);
    ~SampleListAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

private:
    SampleListView* list() const;

    // The items made so far, by sample number; Qt's registry owns them until we let go.
    mutable QHash<std::int64_t, QAccessible::Id> rows_;
};

} // namespace vantorel
