// The window's paint savings must never leave a stale picture: after each
// change, what the window shows equals what a fresh paint draws.

#include "FrameCache.h"
#include "SteadyScrollBar.h"

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace {

// Counts the paints a widget gets.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// What the window shows of `w`, as its backing store holds it.
QImage Shown(QWidget* w)
{
    const QPoint at = w->mapTo(w->window(), QPoint(0, 0));
    return w->screen()
        ->grabWindow(w->window()->winId(), at.x(), at.y(), w->width(), w->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The largest difference of one colour channel between two pictures.
int Difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 256;
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
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
        window.setAutoFillBackground(true);
        auto* bar = new SteadyScrollBar(Qt::Vertical, &window);
        bar->setGeometry(10, 10, 14, 239);
        window.resize(60, 260);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        PaintCounter counter;
        bar->installEventFilter(&counter);

        struct Step
        {
            const char* what;
            std::function<void()> change;
            bool paints;
        };
        const int line = 13;
        const Step steps[] = {
            {"a range of 100,000 lines", [&] { bar->setRange(0, 100000 * line); }, true},
            {"one line more", [&] { bar->setRange(0, 100001 * line); }, false},
            {"the same page again", [&] { bar->setPageStep(239); }, true},
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
            {"disabled", [&] { bar->setEnabled(false); }, true},
        };
        for (const Step& step : steps) {
            QApplication::processEvents();
            counter.paints = 0;
            step.change();
            QApplication::processEvents();
            if (!step.paints)
                QVERIFY2(counter.paints == 0, step.what);
            QVERIFY2(Difference(Shown(bar), bar->grab().toImage().convertToFormat(QImage::Format_RGB32)) == 0,
                     step.what);
        }
    }

    void groupBoxPictureFollowsTheBox()
    {
        QWidget window;
        window.setAutoFillBackground(true);
        auto* cached = new QGroupBox(QStringLiteral("Answers"), &window);
        auto* plain = new QGroupBox(QStringLiteral("Answers"), &window);
        FrameCache::Install(cached);
        for (auto* box : {cached, plain})
            box->resize(200, 100);
        cached->move(0, 0);
        plain->move(0, 120);
        window.resize(220, 240);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const std::function<void(QGroupBox*)> changes[] = {
            [](QGroupBox*) {},
            [](QGroupBox* box) { box->setTitle(QStringLiteral("Ответы")); },
            [](QGroupBox* box) { box->setEnabled(false); },
            [](QGroupBox* box) { box->resize(150, 80); },
            [](QGroupBox* box) { box->setCheckable(true); },
            [](QGroupBox* box) {
                QFont font = box->font();
                font.setBold(true);
                box->setFont(font);
            },
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
