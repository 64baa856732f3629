// The window's paint savings must never leave a stale picture: after each
// change, what the window shows equals what a fresh paint draws.

#include "main/FrameCache.h"
#include "main/SteadyScrollBar.h"

#include <QApplication>
#include <QGroupBox>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <functional>

using namespace vt;

namespace {

struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// What the window's backing store holds of `w`.
QImage Shown(QWidget* w)
{
    const QPoint at = w->mapTo(w->window(), QPoint(0, 0));
    return w->screen()->grabWindow(w->window()->winId(), at.x(), at.y(), w->width(), w->height()).toImage();
}

// The largest difference of one colour channel between two pictures.
int Difference(const QImage& a, const QImage& b)
{
    int most = a.size() == b.size() ? 0 : 256;
    for (int y = 0; most < 256 && y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            most = std::max({most, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                             std::abs(qBlue(p) - qBlue(q))});
        }
    return most;
}

} // namespace

class PaintCacheTest : public QObject
{
    Q_OBJECT
private slots:
    void scrollBarPaintsOnlyWhatChanges()
    {
        QWidget window;
        auto* bar = new SteadyScrollBar(Qt::Vertical, &window);
        bar->setGeometry(10, 10, 14, 239);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        PaintCounter counter;
        bar->installEventFilter(&counter);
        const int line = 13;
        const struct
        {
            const char* what;
            std::function<void()> change;
            bool paints;
        } steps[] = {
            {"100,000 lines", [&] { bar->setRange(0, 100000 * line); }, true},
            {"a line more", [&] { bar->setRange(0, 100001 * line); }, false},
            {"to the end", [&] { bar->setValue(bar->maximum()); }, true},
            {"a line more, kept at the end",
             [&] {
                 const SteadyScrollBar::Batch batch(bar);
                 bar->setRange(0, bar->maximum() + line);
                 bar->setValue(bar->maximum());
             },
             false},
            {"a short range", [&] { bar->setRange(0, 2 * line); }, true},
            {"nothing to scroll", [&] { bar->setRange(0, 0); }, true},
        };
        for (const auto& step : steps) {
            QApplication::processEvents();
            counter.paints = 0;
            step.change();
            QApplication::processEvents();
            QVERIFY2(step.paints || counter.paints == 0, step.what);
            QVERIFY2(Difference(Shown(bar), bar->grab().toImage()) == 0, step.what);
        }
    }

    void groupBoxPictureFollowsTheBox()
    {
        QWidget window;
        window.setAutoFillBackground(true);
        auto* cached = new QGroupBox(QStringLiteral("Answers"), &window);
        auto* plain = new QGroupBox(QStringLiteral("Answers"), &window);
        FrameCache::Install(cached);
        cached->setGeometry(0, 0, 200, 100);
        plain->setGeometry(0, 120, 200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const std::function<void(QGroupBox*)> changes[] = {
            [](QGroupBox*) {},
            [](QGroupBox* box) { box->setTitle(QStringLiteral("Ответы")); },
            [](QGroupBox* box) { box->setEnabled(false); },
            [](QGroupBox* box) { box->resize(150, 80); },
        };
        for (const auto& change : changes) {
            change(cached);
            change(plain);
            window.update();
            QApplication::processEvents();
            // The cached picture is blended once, the plain one directly: a
            // soft edge may differ by one step.
            QCOMPARE_LE(Difference(Shown(cached), Shown(plain)), 1);
        }
    }
};

QTEST_MAIN(PaintCacheTest)
#include "PaintCacheTest.moc"
