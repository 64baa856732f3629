#include "cspin/TCSpinButton.h"

#include "cspin/SpinGlyphs.h"
#include "cspin/TTimerSpeedButton.h"
#include "text/ErrorReport.h"

#include <QContextMenuEvent>
#include <QKeyEvent>

namespace vt {

namespace {

// Whether w can take the keyboard focus: it and its parents are visible and
// enabled.
bool CanFocus(const QWidget* w)
{
    return w->isVisible() && w->isEnabled();
}

} // namespace

TCSpinButton::TCSpinButton(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    setCursor(Qt::ArrowCursor);
    m_upButton = CreateButton();
    m_downButton = CreateButton();
    SetUpGlyph({});
    SetDownGlyph({});
    SetWidth(20);
    SetHeight(25);
    m_selectedButton = m_upButton;
}

TTimerSpeedButton* TCSpinButton::CreateButton()
{
    auto* button = new TTimerSpeedButton(this);
    button->OnClick = [this](TTimerSpeedButton* sender) { BtnClick(sender); };
    button->OnMouseDown = [this](TTimerSpeedButton* sender, Qt::MouseButton mouseButton) {
        BtnMouseDown(sender, mouseButton);
    };
    button->setVisible(true);
    button->setEnabled(true);
    button->SetAutoRepeat(true);
    return button;
}

QPixmap TCSpinButton::UpGlyph() const
{
    return m_upButton->Glyph();
}

void TCSpinButton::SetUpGlyph(const QPixmap& glyph)
{
    m_upButton->SetGlyph(glyph.isNull() ? LoadBitmapResource(u"SpinUp") : glyph);
}

QPixmap TCSpinButton::DownGlyph() const
{
    return m_downButton->Glyph();
}

void TCSpinButton::SetDownGlyph(const QPixmap& glyph)
{
    m_downButton->SetGlyph(glyph.isNull() ? LoadBitmapResource(u"SpinDown") : glyph);
}

void TCSpinButton::SetBounds(int left, int top, int width, int height)
{
    AdjustSize(width, height);
    setGeometry(left, top, width, height);
}

void TCSpinButton::AdjustSize(int& width, int& height)
{
    if (!m_upButton || !m_downButton)
        return;
    if (width < kMinWidth)
        width = kMinWidth;
    m_upButton->setGeometry(0, 0, width, height / 2);
    // The down button overlaps the up button by one row.
    m_downButton->setGeometry(0, m_upButton->height() - 1, width, height - m_upButton->height() + 1);
}

void TCSpinButton::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Guard([this] {
        int w = width();
        int h = height();
        AdjustSize(w, h);
        if (w != width() || h != height())
            setGeometry(x(), y(), w, h);
    });
}

void TCSpinButton::BtnMouseDown(TTimerSpeedButton* button, Qt::MouseButton mouseButton)
{
    if (mouseButton != Qt::LeftButton)
        return;
    SetFocusBtn(button);
    QWidget* control = m_focusControl;
    if (control && (control->focusPolicy() & Qt::TabFocus) && CanFocus(control) && !control->hasFocus())
        control->setFocus(Qt::OtherFocusReason);
    else if (TabStop() && !hasFocus() && CanFocus(this))
        setFocus(Qt::OtherFocusReason);
}

void TCSpinButton::BtnClick(TTimerSpeedButton* button)
{
    if (button == m_upButton) {
        if (OnUpClick)
            OnUpClick(this);
    } else if (button == m_downButton) {
        if (OnDownClick)
            OnDownClick(this);
    }
}

void TCSpinButton::SetFocusBtn(TTimerSpeedButton* button)
{
    if (!TabStop() || !CanFocus(this) || button == m_selectedButton)
        return;
    m_selectedButton->SetFocusFrame(false);
    m_selectedButton = button;
    if (hasFocus()) {
        m_selectedButton->SetFocusFrame(true);
        update();
    }
}

void TCSpinButton::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    m_selectedButton->SetFocusFrame(true);
}

void TCSpinButton::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    m_selectedButton->SetFocusFrame(false);
}

void TCSpinButton::keyPressEvent(QKeyEvent* event)
{
    Guard([&] {
        switch (event->key()) {
        case Qt::Key_Space:
            m_selectedButton->Click();
            break;
        case Qt::Key_Up:
            SetFocusBtn(m_upButton);
            m_upButton->Click();
            break;
        case Qt::Key_Down:
            SetFocusBtn(m_downButton);
            m_downButton->Click();
            break;
        default:
            event->ignore();
            break;
        }
    });
}

void TCSpinButton::contextMenuEvent(QContextMenuEvent* event)
{
    // Only the left button does anything here; a right press must not reach
    // the menu of the box that carries the pair.
    event->accept();
}

} // namespace vt
