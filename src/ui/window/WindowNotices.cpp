#include "ui/window/WindowNotices.h"

#include "ui/controls/Theme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace vantorel {

namespace {
constexpr int kMaxWidth = 640;
constexpr int kMargin = 16;
} // namespace

WindowNotices::WindowNotices(QWidget* window)
    : QWidget(window) {
    column_ = new QVBoxLayout(this);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(8);
    hide();
}

void WindowNotices::showNotice(const QString& name, const QString& text) {
    auto* note = findChild<QFrame*>(name);
    if (!note) {
        note = new QFrame(this);
        note->setObjectName(name);
        // Dark text on amber in either scheme: a warning must not depend on the theme to be read.
        note->setStyleSheet(QStringLiteral("QFrame#%1 { background: rgba(255, 190, 70, 0.96); "
                                           "border-radius: 10px; } QLabel { color: #1c1c1e; }")
                                .arg(name));
        auto* row = new QHBoxLayout(note);
        row->setContentsMargins(14, 10, 8, 10);
        auto* label = new QLabel(note);
        label->setWordWrap(true);
        label->setFont(theme::font(theme::TextStyle::callout));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        row->addWidget(label, 1);
        auto* close = new QToolButton(note);
        close->setText(QStringLiteral("✕"));
        close->setAutoRaise(true);
        close->setAccessibleName(QStringLiteral("Close note"));
        row->addWidget(close, 0, Qt::AlignTop);
        connect(close, &QToolButton::clicked, note, [this, note] {
            note->hide();
            note->deleteLater();
            const auto notes = findChildren<QFrame*>(QString(), Qt::FindDirectChildrenOnly);
            if (std::none_of(notes.begin(), notes.end(), [](auto* n) { return n->isVisible(); }))
                hide();
            else
                place(area_);
        });
        column_->addWidget(note);
    }
    note->findChild<QLabel*>()->setText(text);
    note->setAccessibleName(text);
    show();
    raise();
    place(area_);
}

void WindowNotices::place(const QRect& area) {
    area_ = area;
    const int width = std::min(kMaxWidth, area.width() - 2 * kMargin);
    const int height = heightForWidth(width);
    // At the bottom, over what is least often read there: the oldest rows of the results.
    setGeometry(area.center().x() - width / 2, area.bottom() - kMargin - height, width, height);
}

} // namespace vantorel
