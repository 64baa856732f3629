#pragma once

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QString>

class QGroupBox;

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

    struct Key
    {
        QSize size;
        qreal ratio = 0;
        QString title;
        int state = 0;
        const void* style = nullptr;
        qint64 palette = 0;
        qint64 parentPalette = 0;
        QString font;
        int direction = 0;
        QPoint offset;

        bool operator==(const Key&) const = default;
    };
    Key Current() const;
    /** Draws what lies under the box's children into m_picture. */
    void Draw();

    QGroupBox* m_box;
    QPixmap m_picture;
    Key m_key;
    bool m_drawing = false;
};
