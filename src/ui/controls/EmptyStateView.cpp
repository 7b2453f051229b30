#include "ui/controls/EmptyStateView.h"

#include "ui/controls/Icons.h"
#include "ui/controls/Theme.h"

#include <QLabel>
#include <QVBoxLayout>

namespace vantorel {

namespace {
// A symbol at the large-title size.
constexpr int kSymbolSize = 30;
} // namespace

EmptyStateView::EmptyStateView(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("emptyState"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addStretch(1);
    icon_ = new QLabel(this);
    icon_->setAlignment(Qt::AlignCenter);
    column->addWidget(icon_);
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("emptyStateText"));
    text_->setAlignment(Qt::AlignCenter);
    text_->setFont(theme::font(theme::TextStyle::body));
    text_->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(text_);
    column->addStretch(1);
}

void EmptyStateView::setContent(const QString& symbol, const QString& text) {
    if (text_->text() != text)
        text_->setText(text);
    setAccessibleName(text);
    if (symbol != symbol_) {
        symbol_ = symbol;
        applyTheme();
    }
}

QString EmptyStateView::text() const {
    return text_->text();
}

void EmptyStateView::applyTheme() {
    icon_->setVisible(!symbol_.isEmpty());
    if (symbol_.isEmpty())
        return;
    const QIcon icon = icons::symbol(symbol_, theme::secondaryText());
    icon_->setPixmap(icon.pixmap(QSize(kSymbolSize, kSymbolSize), devicePixelRatioF()));
}

} // namespace vantorel
