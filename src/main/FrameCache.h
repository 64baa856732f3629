#pragma once

#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>

class QGroupBox;
class QStyleOptionGroupBox;

namespace vt {

/** Paints a group box's frame and title from a picture made once, rather
 *  than having the style draw them again under every child that repaints.
 *  Clearing the answer boxes repaints five lines of the group box under
 *  them, and the style's frame costs more there than the boxes themselves.
 *  The picture is made again whenever anything the style draws from
 *  changes: size, title, state, style, palette, font or pixel ratio. */
class FrameCache : public QObject
{
    Q_OBJECT
public:
    /** Paints `box` through a cache, which the box owns. */
    static void Install(QGroupBox* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FrameCache(QGroupBox* box);

    /** What the style draws the box from. */
    struct Key
    {
        QRect rect;
        int state = 0;
        int controls = 0;
        int active = 0;
        int features = 0;
        int alignment = 0;
        int direction = 0;
        int lineWidth = 0;
        QString text;
        qint64 palette = 0;
        QString font;
        const void* style = nullptr;
        qreal ratio = 0;
        qint64 ground = 0;
        QPoint offset;

        bool operator==(const Key&) const = default;
    };
    Key KeyOf(const QStyleOptionGroupBox& option) const;
    /** Draws the parent's background and the box's frame into m_picture. */
    void Draw(const QStyleOptionGroupBox& option);

    QGroupBox* m_box;
    QImage m_picture;
    Key m_key;
};

} // namespace vt
