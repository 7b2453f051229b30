#include "ui/window/SidebarHeader.h"

#include "ui/controls/FocusRing.h"
#include "ui/controls/Icons.h"
#include "ui/controls/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace vantorel {

namespace {

constexpr int kMarkSide = 28;
constexpr double kMarkRadius = 6;

// The mark, clipped to its rounded square whatever shape the image has.
class AppMarkView : public QWidget {
public:
    explicit AppMarkView(QWidget* parent)
        : QWidget(parent)
        , icon_(icons::image(QStringLiteral("AppMark"))) {
        setFixedSize(kMarkSide, kMarkSide);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        QPainterPath clip;
        clip.addRoundedRect(QRectF(rect()), kMarkRadius, kMarkRadius);
        p.setClipPath(clip);
        icon_.paint(&p, rect());
    }

private:
    QIcon icon_;
};

} // namespace

SidebarHeader::SidebarHeader(QWidget* parent)
    : QAbstractButton(parent) {
    setObjectName(QStringLiteral("overviewButton"));
    setToolTip(QStringLiteral("Overview of all targets (Ctrl+0)"));
    setAccessibleName(QStringLiteral("Overview of all targets"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover); // repaint the highlight as the pointer comes and goes

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 4, 10, 4);
    row->setSpacing(10);
    row->addWidget(new AppMarkView(this), 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto* title = new QLabel(QStringLiteral("Vantorel"), this);
    title->setFont(theme::font(theme::TextStyle::title3, true));
    texts->addWidget(title);
    caption_ = new QLabel(this);
    caption_->setObjectName(QStringLiteral("sidebarCaption"));
    caption_->setFont(theme::font(theme::TextStyle::caption));
    caption_->setForegroundRole(QPalette::PlaceholderText);
    texts->addWidget(caption_);
    row->addLayout(texts);
    row->addStretch(1);
}

void SidebarHeader::setCaption(const QString& caption) {
    caption_->setText(caption);
    setAccessibleDescription(caption);
}

void SidebarHeader::setOverviewShown(bool shown) {
    if (shown == overviewShown_)
        return;
    overviewShown_ = shown;
    update();
}

void SidebarHeader::paintEvent(QPaintEvent*) {
    // The labels draw themselves; the button itself is only a soft highlight behind them.
    double strength = 0.0;
    if (overviewShown_)
        strength = 0.22;
    if (isDown())
        strength += 0.12;
    else if (underMouse())
        strength += 0.07;
    // The focus ring is for keyboard users only; a click leaves none behind.
    const bool focusRing = focus_ring::shown(*this);
    if (strength <= 0.0 && !focusRing)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
    QColor tint = overviewShown_ ? theme::accent()
                                 : (theme::isDark() ? QColor(255, 255, 255) : QColor(0, 0, 0));
    tint.setAlphaF(float(overviewShown_ ? strength : strength * 0.6));
    p.fillPath(shape, tint);
    if (focusRing)
        focus_ring::paint(p, rect(), 12);
}

} // namespace vantorel
