#pragma once

#include <QScrollBar>
#include <QStyleOptionSlider>

namespace vt {

/** A scroll bar that repaints only when what it shows changes. A list that
 *  grows by one line at a time changes the range on every line, while the
 *  slider of a long list moves by a pixel only every few hundred lines; the
 *  plain scroll bar repaints itself whole each time, and that paint costs
 *  more than the rest of adding a line. */
class SteadyScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    explicit SteadyScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

    /** While one lives, the bar's changes are weighed once, when it ends: a
     *  text view that grows at the bottom moves the range first and the
     *  value after it, and only the two together leave the picture as it
     *  was. */
    class Batch
    {
    public:
        explicit Batch(QScrollBar* bar);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        SteadyScrollBar* m_bar;
    };

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

private:
    /** What the style draws: the bar's state and rectangle, where the slider
     *  lies, and whether the slider stands at either end. */
    struct Look
    {
        QStyle::State state;
        QStyle::SubControls active;
        QRect rect;
        QRect slider;
        bool atStart = false;
        bool atEnd = false;
        bool empty = false;

        bool operator==(const Look&) const = default;
    };
    Look Current() const;

    /** Paints the bar when it no longer shows what it did. */
    void UpdateIfChanged();

    Look m_painted;
    // Batches open on this bar, and whether a change came during them.
    int m_batches = 0;
    bool m_changed = false;
    // Whether m_painted is what the whole bar shows.
    bool m_known = false;
};

} // namespace vt
