#pragma once

#include <QRect>
#include <QWidget>

class QVBoxLayout;

namespace vantorel {

// Notes along the bottom of the main window's detail area about what the user keeps: a target list
// that could not be read, settings that could not be saved. Not modal: each covers a strip of the
// window until its close button is pressed, and everything under it keeps working.
class WindowNotices : public QWidget {
    Q_OBJECT

public:
    explicit WindowNotices(QWidget* window);

    // Shows `text` in the note named `name`, made when there is none.
    void showNotice(const QString& name, const QString& text);
    // Lays the notes along the bottom of `area` (of the window); call when it changes.
    void place(const QRect& area);

private:
    QVBoxLayout* column_ = nullptr;
    QRect area_;
};

} // namespace vantorel
