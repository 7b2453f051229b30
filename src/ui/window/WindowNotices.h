#pragma once

#include <QWidget>

class QVBoxLayout;

namespace vantorel {

// Notes along the top of the main window about what the user keeps: a target list that could not
// be read, settings that could not be saved. Not modal: each covers a strip of the window until
// its close button is pressed, and everything under it keeps working.
class WindowNotices : public QWidget {
    Q_OBJECT

public:
    explicit WindowNotices(QWidget* window);

    // Shows `text` in the note named `name`, made when there is none.
    void showNotice(const QString& name, const QString& text);
    // Follows the window's width; call when it changes.
    void place();

private:
    QVBoxLayout* column_ = nullptr;
};

} // namespace vantorel
