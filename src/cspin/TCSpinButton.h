#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace vt {

class TTimerSpeedButton;

/** Two stacked auto-repeating buttons, up above and down below, reporting
 *  their clicks through OnUpClick and OnDownClick with the pair as sender.
 *  A left press hands the keyboard focus to FocusControl. Not a tab stop
 *  unless SetTabStop(true); then it shows a focus frame on the selected
 *  button and answers Space, Up and Down. */
class TCSpinButton : public QWidget
{
    Q_OBJECT
public:
    explicit TCSpinButton(QWidget* parent = nullptr);

    /** The pictures of the buttons. Setting a null pixmap restores the
     *  default triangle. */
    QPixmap UpGlyph() const;
    void SetUpGlyph(const QPixmap& glyph);
    QPixmap DownGlyph() const;
    void SetDownGlyph(const QPixmap& glyph);

    /** The control that takes the keyboard focus when a button is pressed;
     *  not owned, may be none. */
    QWidget* FocusControl() const { return m_focusControl; }
    void SetFocusControl(QWidget* control) { m_focusControl = control; }

    /** Whether the pair takes the focus by Tab and by a press (default off). */
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    void SetTabStop(bool on) { setFocusPolicy(on ? Qt::TabFocus : Qt::NoFocus); }

    TTimerSpeedButton* UpButton() const { return m_upButton; }
    TTimerSpeedButton* DownButton() const { return m_downButton; }
    /** The button that Space clicks and that shows the focus frame. */
    TTimerSpeedButton* SelectedButton() const { return m_selectedButton; }

    /** Applies the size rule (width at least 15; the up button gets the upper
     *  half, the down button the rest plus one overlapping row), then sets the
     *  geometry, in the parent's pixels. */
    void SetBounds(int left, int top, int width, int height);
    void SetWidth(int width) { SetBounds(x(), y(), width, height()); }
    void SetHeight(int height) { SetBounds(x(), y(), width(), height); }

    /** Fired for every click of the up (down) button, sender = the pair.
     *  Errors pass through to the button, which reports them. */
    std::function<void(QObject* sender)> OnUpClick;
    std::function<void(QObject* sender)> OnDownClick;

    /** The size a new pair has, 20 by 25. */
    QSize sizeHint() const override { return {20, 25}; }

    static constexpr int kMinWidth = 15;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TTimerSpeedButton* CreateButton();
    void AdjustSize(int& width, int& height);
    void BtnMouseDown(TTimerSpeedButton* button, Qt::MouseButton mouseButton);
    void BtnClick(TTimerSpeedButton* button);
    void SetFocusBtn(TTimerSpeedButton* button);

    TTimerSpeedButton* m_upButton = nullptr;
    TTimerSpeedButton* m_downButton = nullptr;
    TTimerSpeedButton* m_selectedButton = nullptr;
    QPointer<QWidget> m_focusControl;
};

} // namespace vt
