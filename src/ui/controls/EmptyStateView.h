#pragma once

#include <QWidget>

class QLabel;

namespace vantorel {

// What a pane's body shows in place of its content: an optional large symbol over a line of
// text, centred.
class EmptyStateView : public QWidget {
    Q_OBJECT

public:
    explicit EmptyStateView(QWidget* parent = nullptr);

    // An empty symbol name shows the text alone.
    void setContent(const QString& symbol, const QString& text);
    QString symbol() const { return symbol_; }
    QString text() const;
    void applyTheme();

private:
    QString symbol_;
    QLabel* icon_ = nullptr;
    QLabel* text_ = nullptr;
};

} // namespace vantorel
