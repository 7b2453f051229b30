#pragma once

#include <QListView>
#include <functional>
#include <memory>

namespace vantorel {

class SweepHostDelegate;
class SweepHostModel;
class Target;

// The hosts of a sweep, one row each, filtered as its model says.
class SweepHostList : public QListView {
    Q_OBJECT

public:
    explicit SweepHostList(std::shared_ptr<Target> target, QWidget* parent = nullptr);

    SweepHostModel* hostModel() const { return model_; }
    // Takes in the hosts' latest results, or another filter, keeping the scroll position.
    void refresh();
    void setFilter(bool showAlive, bool showDead);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void keepingPosition(const std::function<void()>& change);

    SweepHostModel* model_ = nullptr;
    SweepHostDelegate* delegate_ = nullptr;
};

} // namespace vantorel
