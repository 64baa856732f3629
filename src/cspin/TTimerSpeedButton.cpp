#include "cspin/TTimerSpeedButton.h"

#include "cspin/SpinGlyphs.h"
#include "text/Error.h"
#include "text/ErrorReport.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <qdrawutil.h>

namespace vt {

namespace {

// Inset of the focus rectangle from the button's edges, in pixels.
constexpr int kFocusInset = 3;

// Inverts every other pixel along the edges of r (right and bottom
// exclusive), the way the window system draws a dotted focus rectangle.
void InvertDottedRect(QImage& image, const QRect& r)
{
    const QRect inside = r.intersected(image.rect());
    if (inside.isEmpty())
        return;
    auto invert = [&](int x, int y) {
        if ((x + y) % 2 == 0)
            image.setPixel(x, y, image.pixel(x, y) ^ 0x00FFFFFFu);
    };
    const int left = r.left(), top = r.top(), right = r.left() + r.width() - 1,
              bottom = r.top() + r.height() - 1;
    for (int x = left; x <= right; ++x) {
        if (inside.contains(x, top))
            invert(x, top);
        if (bottom != top && inside.contains(x, bottom))
            invert(x, bottom);
    }
    for (int y = top + 1; y < bottom; ++y) {
        if (inside.contains(left, y))
            invert(left, y);
        if (right != left && inside.contains(right, y))
            invert(right, y);
    }
}

} // namespace

TTimerSpeedButton::TTimerSpeedButton(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TTimerSpeedButton::SetFocusFrame(bool on)
{
    if (m_focusFrame == on)
        return;
    m_focusFrame = on;
    update();
}

void TTimerSpeedButton::SetGlyph(const QPixmap& glyph)
{
    m_glyph = glyph;
    m_face = TransparentGlyph(glyph);
    update();
}

void TTimerSpeedButton::Click()
{
    if (OnClick)
        OnClick(this);
}

void TTimerSpeedButton::TimerExpired()
{
    if (!m_holdTimer)
        return;
    // Restarting with an equal interval would shift the ticks, so only the
    // first tick changes it.
    if (m_holdTimer->interval() != kRepeatMs)
        m_holdTimer->setInterval(kRepeatMs);
    if (!m_down || !m_tracking)
        return; // dragged off, or not a left press: the timer keeps ticking
    try {
        Click();
    } catch (...) {
        m_holdTimer->stop();
        ReportError(std::current_exception());
    }
}

void TTimerSpeedButton::SetDown(bool down)
{
    if (m_down == down)
        return;
    m_down = down;
    update();
}

void TTimerSpeedButton::MouseDown(QMouseEvent* event)
{
    if (OnMouseDown)
        OnMouseDown(this, event->button());
    if (event->button() == Qt::LeftButton && isEnabled()) {
        m_tracking = true;
        SetDown(true);
    }
    if (!m_autoRepeat)
        return;
    if (!m_holdTimer) {
        m_holdTimer = new QTimer(this);
        connect(m_holdTimer, &QTimer::timeout, this, [this] { Guard([this] { TimerExpired(); }); });
    }
    // Every press waits the full first delay, whatever happened before.
    m_holdTimer->start(kFirstRepeatMs);
    if (!m_holdTimer->isActive())
        throw Error(u"Not enough timers available");
}

void TTimerSpeedButton::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    Guard([&] { MouseDown(event); });
}

void TTimerSpeedButton::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    if (m_tracking)
        SetDown(rect().contains(event->position().toPoint()));
}

void TTimerSpeedButton::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (m_holdTimer)
        m_holdTimer->stop();
    if (event->button() != Qt::LeftButton || !m_tracking)
        return;
    m_tracking = false;
    SetDown(false);
    if (rect().contains(event->position().toPoint()))
        Guard([this] { Click(); });
}

bool TTimerSpeedButton::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowBlocked:
    case QEvent::Hide:
    case QEvent::EnabledChange:
        // A modal window, hiding or disabling ends the hold like a lost
        // pointer capture: no more repeat clicks and no click on release.
        if (event->type() != QEvent::EnabledChange || !isEnabled()) {
            m_tracking = false;
            SetDown(false);
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TTimerSpeedButton::paintEvent(QPaintEvent*)
{
    // Painted into an image first so the focus rectangle can invert pixels.
    QImage image(size(), QImage::Format_RGB32);
    {
        QPainter p(&image);
        const QBrush fill = palette().brush(QPalette::Button);
        qDrawWinButton(&p, image.rect(), palette(), m_down, &fill);
        // The triangle takes the palette's button-text colour, so it shows on
        // dark buttons too; a disabled face is derived from the enabled one.
        const QPalette::ColorGroup group = isEnabled() ? palette().currentColorGroup() : QPalette::Active;
        QPixmap face = InkedGlyph(m_face, palette().color(group, QPalette::ButtonText));
        if (!isEnabled() && !face.isNull()) {
            QStyleOption option;
            option.initFrom(this);
            face = style()->generatedIconPixmap(QIcon::Disabled, face, &option);
        }
        if (!face.isNull()) {
            const QSize glyph = face.deviceIndependentSize().toSize();
            QPoint at((width() - glyph.width()) / 2, (height() - glyph.height()) / 2);
            if (m_down)
                at += QPoint(1, 1);
            p.drawPixmap(at, face);
        }
    }
    if (m_focusFrame) {
        QRect frame =
            QRect(0, 0, width(), height()).adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
        if (m_down)
            frame.translate(1, 1);
        InvertDottedRect(image, frame);
    }
    QPainter(this).drawImage(0, 0, image);
}

} // namespace vt
