#pragma once

#include <QPixmap>
#include <QWidget>

#include <functional>

class QTimer;

namespace vt {

/** A flat push button with a picture. It is drawn pressed while the left
 *  pointer button holds it and clicks when released over it; with AutoRepeat
 *  it also clicks while held, first after 400 ms and then every 100 ms.
 *  It never takes the keyboard focus. */
class TTimerSpeedButton : public QWidget
{
    Q_OBJECT
public:
    explicit TTimerSpeedButton(QWidget* parent = nullptr);

    /** Start HoldTimer on every press (default off). */
    bool AutoRepeat() const { return m_autoRepeat; }
    void SetAutoRepeat(bool on) { m_autoRepeat = on; }
    /** Draw the dotted focus rectangle on the face (default off). */
    bool FocusFrame() const { return m_focusFrame; }
    void SetFocusFrame(bool on);

    /** The picture shown centred on the face; its bottom-left pixel's colour
     *  is transparent. */
    const QPixmap& Glyph() const { return m_glyph; }
    void SetGlyph(const QPixmap& glyph);

    /** Whether the button is drawn pressed. */
    bool IsDown() const { return m_down; }
    /** The repeat timer: none until the first press. */
    QTimer* HoldTimer() const { return m_holdTimer; }

    /** The ordinary click: calls OnClick. Errors of OnClick pass through. */
    void Click();
    /** The repeat timer's tick: switches to 100 ms and clicks while the button
     *  is held down under the pointer. An error of the click stops the timer
     *  and goes to the error report. */
    void TimerExpired();

    /** Called for every click with this button. */
    std::function<void(TTimerSpeedButton* sender)> OnClick;
    /** Called for a press of any pointer button, before the button is drawn
     *  pressed. */
    std::function<void(TTimerSpeedButton* sender, Qt::MouseButton button)> OnMouseDown;

    static constexpr int kFirstRepeatMs = 400;
    static constexpr int kRepeatMs = 100;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void MouseDown(QMouseEvent* event);
    void SetDown(bool down);

    QPixmap m_glyph;
    QPixmap m_face;
    QTimer* m_holdTimer = nullptr;
    bool m_autoRepeat = false;
    bool m_focusFrame = false;
    bool m_down = false;
    // A left press is being tracked: the button holds the pointer.
    bool m_tracking = false;
};

} // namespace vt
