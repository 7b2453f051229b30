#pragma once

#include <QAbstractItemView>
#include <QCache>
#include <QPixmap>
#include <QPropertyAnimation>
#include <cstdint>
#include <memory>
#include <optional>

class QPushButton;

namespace vantorel {

class PingMonitor;
class SampleListModel;
class SampleRowDelegate;

// A monitor's samples, newest first, that stays at the newest sample while it follows the top
// and otherwise keeps the rows the user is reading in place as samples come and go. While it does
// not follow, a "Now" button floats over its bottom-trailing corner and scrolls back to the top.
//
// Every row has the same height, so a row's place is its number times that height: a sample
// arriving costs the same with a day of rows as with a hundred, where a general list view lays
// out all of them again. A sample never changes, so neither does its row: rows are drawn once
// into images, and a paint after a new sample draws only the new row's text. Takes keyboard focus:
// the arrow and page keys scroll, End returns to the newest sample.
class SampleListView : public QAbstractItemView {
    Q_OBJECT

public:
    explicit SampleListView(std::shared_ptr<PingMonitor> monitor, QWidget* parent = nullptr);

    SampleListModel* sampleModel() const { return model_; }
    QPushButton* nowButton() const { return now_; }

    // Whether new samples show at the top as they arrive.
    bool followsTop() const { return followTop_; }
    // The sequence number of the row at the top, none while the list is empty.
    std::optional<std::int64_t> topSeq() const;
    // Scrolls (animated) to the newest sample; the list follows again when it gets there.
    void scrollToNewest();
    // Scrolls at once so that the given sample is the top row.
    void scrollToSeq(std::int64_t sequence);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

Q_SIGNALS:
    void followTopChanged(bool following);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;

    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect&, QItemSelectionModel::SelectionFlags) override {}
    QRegion visualRegionForSelection(const QItemSelection&) const override { return {}; }

private:
    int topRow() const;
    void trackTop();
    void setFollowTop(bool following);
    void placeNowButton();
    void rememberTop();
    void restoreTop();
    void paintNowShadow(QPainter& painter);
    // The picture of a row, from the cache or drawn now.
    const QPixmap& rowImage(int row, const QStyleOptionViewItem& option);

    SampleListModel* const model_;
    SampleRowDelegate* const delegate_;
    QPushButton* now_ = nullptr;
    QPropertyAnimation scroll_;
    bool followTop_ = true;
    // Set while the list moves itself, so that only the user's scrolling changes `followTop_`.
    bool adjusting_ = false;
    // A focus ring shows when the keyboard brought the focus here, not a click.
    bool keyboardFocus_ = false;
    std::optional<std::int64_t> topBeforeReset_;
    // Row pictures by sample number, for the width, pixel ratio and colours of `rowImagesKey_`.
    QCache<std::int64_t, QPixmap> rowImages_;
    std::size_t rowImagesKey_ = 0;
    QPixmap nowShadow_;
};

} // namespace vantorel
