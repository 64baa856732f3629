#include "FrameCache.h"

#include <QEvent>
#include <QGroupBox>
#include <QPaintEvent>
#include <QPainter>

void FrameCache::Install(QGroupBox* box)
{
    box->installEventFilter(new FrameCache(box));
}

FrameCache::FrameCache(QGroupBox* box) : QObject(box), m_box(box) {}

FrameCache::Key FrameCache::Current() const
{
    Key key;
    key.size = m_box->size();
    key.ratio = m_box->devicePixelRatioF();
    key.title = m_box->title();
    key.state = (m_box->isEnabled() ? 1 : 0) | (m_box->isCheckable() ? 2 : 0) | (m_box->isChecked() ? 4 : 0) |
                (m_box->isFlat() ? 8 : 0) | (m_box->underMouse() ? 16 : 0) | (m_box->hasFocus() ? 32 : 0) |
                (m_box->isActiveWindow() ? 64 : 0) | (int(m_box->alignment()) << 8);
    key.style = m_box->style();
    key.palette = m_box->palette().cacheKey();
    const QWidget* parent = m_box->parentWidget();
    key.parentPalette = parent ? parent->palette().cacheKey() : 0;
    key.font = m_box->font().key();
    key.direction = int(m_box->layoutDirection());
    key.offset = m_box->pos();
    return key;
}

void FrameCache::Draw()
{
    const qreal ratio = m_box->devicePixelRatioF();
    m_picture = QPixmap(m_box->size() * ratio);
    m_picture.setDevicePixelRatio(ratio);
    {
        // The picture is opaque, with the parent's background under the
        // frame as the window shows it, so that text keeps its usual
        // smoothing.
        QPainter painter(&m_picture);
        const QWidget* parent = m_box->parentWidget();
        const QWidget* ground = parent ? parent : m_box;
        painter.setBrushOrigin(-m_box->pos());
        painter.fillRect(QRect(QPoint(0, 0), m_box->size()),
                         ground->palette().brush(ground->backgroundRole()));
    }
    m_drawing = true;
    m_box->render(&m_picture, QPoint(), QRegion(), QWidget::RenderFlags());
    m_drawing = false;
}

bool FrameCache::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_box || event->type() != QEvent::Paint || m_drawing)
        return false;
    const QWidget* parent = m_box->parentWidget();
    // Only over a plain background is the picture what the window shows.
    if (parent == nullptr || !parent->autoFillBackground() || m_box->autoFillBackground())
        return false;
    const Key key = Current();
    if (m_picture.isNull() || !(key == m_key)) {
        Draw();
        m_key = key;
    }
    QPainter painter(m_box);
    painter.setClipRegion(static_cast<QPaintEvent*>(event)->region());
    painter.drawPixmap(0, 0, m_picture);
    return true;
}
