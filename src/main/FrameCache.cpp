#include "main/FrameCache.h"

#include <QEvent>
#include <QGroupBox>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOptionGroupBox>

namespace vt {

namespace {

// The options that the group box itself paints from.
struct GroupBoxOptions : QGroupBox
{
    static void Fill(const QGroupBox* box, QStyleOptionGroupBox* option)
    {
        const auto fill = &GroupBoxOptions::initStyleOption;
        (box->*fill)(option);
    }
};

} // namespace

void FrameCache::Install(QGroupBox* box)
{
    box->installEventFilter(new FrameCache(box));
}

FrameCache::FrameCache(QGroupBox* box) : QObject(box), m_box(box) {}

FrameCache::Key FrameCache::KeyOf(const QStyleOptionGroupBox& option) const
{
    Key key;
    key.rect = option.rect;
    key.state = int(option.state);
    key.controls = int(option.subControls);
    key.active = int(option.activeSubControls);
    key.features = int(option.features);
    key.alignment = int(option.textAlignment);
    key.direction = int(option.direction);
    key.lineWidth = option.lineWidth;
    key.text = option.text;
    key.palette = option.palette.cacheKey();
    key.font = m_box->font().key();
    key.style = m_box->style();
    key.ratio = m_box->devicePixelRatioF();
    const QWidget* parent = m_box->parentWidget();
    key.ground = parent->palette().cacheKey() ^ (qint64(parent->backgroundRole()) << 56);
    key.offset = m_box->pos();
    return key;
}

void FrameCache::Draw(const QStyleOptionGroupBox& option)
{
    const qreal ratio = m_box->devicePixelRatioF();
    // Opaque, in the window's own format: drawing it back is a copy of its
    // lines. A picture with alpha is blended instead, and the toolkit splits
    // a large blend over worker threads, which the window then waits for;
    // on a busy machine that wait was several milliseconds a command.
    m_picture = QImage(m_box->size() * ratio, QImage::Format_RGB32);
    m_picture.setDevicePixelRatio(ratio);
    QPainter painter(&m_picture);
    // The picture is opaque, with the parent's background under the frame as
    // the window shows it, so that the title keeps its usual smoothing.
    const QWidget* parent = m_box->parentWidget();
    painter.setBrushOrigin(-m_box->pos());
    painter.fillRect(QRect(QPoint(0, 0), m_box->size()), parent->palette().brush(parent->backgroundRole()));
    // As the box's own painter starts.
    painter.setBrushOrigin(QPoint(0, 0));
    painter.setPen(m_box->palette().color(m_box->foregroundRole()));
    painter.setBrush(m_box->palette().brush(m_box->backgroundRole()));
    painter.setFont(m_box->font());
    painter.setLayoutDirection(m_box->layoutDirection());
    m_box->style()->drawComplexControl(QStyle::CC_GroupBox, &option, &painter, m_box);
}

bool FrameCache::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_box || event->type() != QEvent::Paint)
        return false;
    const QWidget* parent = m_box->parentWidget();
    // Only over a plain background is the picture what the window shows.
    if (parent == nullptr || !parent->autoFillBackground() || m_box->autoFillBackground())
        return false;
    QStyleOptionGroupBox option;
    GroupBoxOptions::Fill(m_box, &option);
    const Key key = KeyOf(option);
    if (m_picture.isNull() || !(key == m_key)) {
        Draw(option);
        m_key = key;
    }
    // Only the rectangles asked for are copied, each on its own.
    QPainter painter(m_box);
    const qreal ratio = m_picture.devicePixelRatio();
    for (const QRect& rect : static_cast<QPaintEvent*>(event)->region()) {
        const QRectF source(QPointF(rect.topLeft()) * ratio, QSizeF(rect.size()) * ratio);
        painter.drawImage(QRectF(rect), m_picture, source);
    }
    return true;
}

} // namespace vt
