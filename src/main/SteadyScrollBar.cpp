#include "main/SteadyScrollBar.h"

#include <QPaintEvent>

namespace vt {

SteadyScrollBar::SteadyScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent)
{
}

SteadyScrollBar::Look SteadyScrollBar::Current() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    Look look;
    look.state = option.state;
    look.active = option.activeSubControls;
    look.rect = option.rect;
    look.slider = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    look.atStart = option.sliderPosition <= option.minimum;
    look.atEnd = option.sliderPosition >= option.maximum;
    look.empty = option.minimum == option.maximum;
    return look;
}

SteadyScrollBar::Batch::Batch(QScrollBar* bar) : m_bar(qobject_cast<SteadyScrollBar*>(bar))
{
    if (m_bar)
        ++m_bar->m_batches;
}

SteadyScrollBar::Batch::~Batch()
{
    if (m_bar && --m_bar->m_batches == 0 && m_bar->m_changed) {
        m_bar->m_changed = false;
        m_bar->UpdateIfChanged();
    }
}

void SteadyScrollBar::UpdateIfChanged()
{
    if (!m_known || !(Current() == m_painted))
        update();
}

void SteadyScrollBar::sliderChange(SliderChange change)
{
    // A change that leaves the picture as it is needs no paint; any other
    // change, and every change of state (hover, press, focus, resize), is
    // painted as the plain scroll bar paints it.
    if (change == SliderOrientationChange) {
        QScrollBar::sliderChange(change);
    } else if (m_batches > 0) {
        m_changed = true;
    } else {
        UpdateIfChanged();
    }
}

void SteadyScrollBar::paintEvent(QPaintEvent* event)
{
    QScrollBar::paintEvent(event);
    const Look look = Current();
    if (event->rect().contains(rect())) {
        m_painted = look;
        m_known = true;
    } else if (!(look == m_painted)) {
        m_known = false;
    }
}

} // namespace vt
