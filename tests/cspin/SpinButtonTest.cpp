#include "cspin/SpinGlyphs.h"
#include "cspin/TCSpinButton.h"
#include "cspin/TCSpinEdit.h"
#include "cspin/TTimerSpeedButton.h"
#include "tests/cspin/SpinTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <vector>

using namespace vt;

namespace {

const QPoint kInside(7, 4);
const QPoint kOutside(7, 60);

// A font whose text height is h pixels, as the main window's (13).
QFont FontOfHeight(int h)
{
    QFont font;
    for (int size = 4; size < 40; ++size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).height() >= h)
            break;
    }
    return font;
}

// A spin edit whose stepping can be made to fail, counting its steps.
class CountingSpinEdit : public TCSpinEdit
{
public:
    using TCSpinEdit::TCSpinEdit;
    void UpClick(QObject* sender) override
    {
        ++ups;
        QCOMPARE(sender, static_cast<QObject*>(Button()));
        if (failUp)
            throw Error(u"step failed");
        TCSpinEdit::UpClick(sender);
    }
    int ups = 0;
    bool failUp = false;
};

// A window with another edit box (holding the focus) and the round selector
// as the main window sets it up: bounds 1 and 5, value 4, size 41 x 22.
struct Host
{
    Host()
    {
        auto* layout = new QVBoxLayout(&window);
        other = new QLineEdit(&window);
        layout->addWidget(other);
        spin = new CountingSpinEdit(&window);
        spin->setFont(FontOfHeight(13));
        spin->SetMaxValue(5);
        spin->SetMinValue(1);
        spin->SetValue(4);
        spin->setFixedSize(41, 22);
        layout->addWidget(spin);
        spin->OnChange = [this](QObject*) { ++changes; };
        window.show();
        window.activateWindow();
        other->setFocus();
    }
    bool Active() { return QTest::qWaitForWindowActive(&window); }
    TTimerSpeedButton* Up() const { return spin->Button()->UpButton(); }
    TTimerSpeedButton* Down() const { return spin->Button()->DownButton(); }

    QWidget window;
    QLineEdit* other = nullptr;
    CountingSpinEdit* spin = nullptr;
    int changes = 0;
};

// A focusable pair on its own, next to another edit box.
struct PairHost
{
    PairHost()
    {
        auto* layout = new QVBoxLayout(&window);
        other = new QLineEdit(&window);
        layout->addWidget(other);
        pair = new TCSpinButton(&window);
        layout->addWidget(pair);
        pair->OnUpClick = [this](QObject* sender) {
            QCOMPARE(sender, pair);
            clicks.push_back('u');
        };
        pair->OnDownClick = [this](QObject* sender) {
            QCOMPARE(sender, pair);
            clicks.push_back('d');
        };
        window.show();
        window.activateWindow();
    }
    bool Active() { return QTest::qWaitForWindowActive(&window); }

    QWidget window;
    QLineEdit* other = nullptr;
    TCSpinButton* pair = nullptr;
    std::string clicks;
};

QImage ImageOf(const QPixmap& pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class SpinButtonTest : public QObject
{
    Q_OBJECT
private slots:
    void SizeRuleKeepsMinimumWidthAndSplitsHeight();
    void PairSitsInsideRightEdgeOfSpinEdit();
    void ReleaseBeforeFirstRepeatClicksOnce();
    void HeldPressRepeatsAndStopsAtMaxValue();
    void EveryPressWaitsTheFullFirstDelay();
    void DraggingOffStopsClicksAndBackResumes();
    void RightButtonDoesNotClick();
    void OtherButtonsNeitherFocusNorOpenMenu_data();
    void OtherButtonsNeitherFocusNorOpenMenu();
    void GlyphTakesButtonTextColour_data();
    void GlyphTakesButtonTextColour();
    void PressHandsFocusToSpinEditWithTextSelected();
    void PairWithoutTabStopNeverShowsFocusFrame();
    void PairWithTabStopAnswersKeysAndMovesFrame();
    void FocusFrameInvertsDottedRectangle();
    void DefaultGlyphsLoadByAnyCaseAndComeBack();
    void RepeatClickErrorStopsTimerAndIsReported();
    void HeldButtonRepeatsInRealTime();
    void DestroyingSpinEditWhileHeldIsSafe();
};

void SpinButtonTest::SizeRuleKeepsMinimumWidthAndSplitsHeight()
{
    TCSpinButton pair;
    QCOMPARE(pair.size(), QSize(20, 25));
    QCOMPARE(pair.UpButton()->geometry(), QRect(0, 0, 20, 12));
    QCOMPARE(pair.DownButton()->geometry(), QRect(0, 11, 20, 14));
    QCOMPARE(pair.SelectedButton(), pair.UpButton());
    QVERIFY(!pair.TabStop());

    pair.SetWidth(10);
    pair.SetHeight(17);
    QCOMPARE(pair.size(), QSize(15, 17));
    QCOMPARE(pair.UpButton()->geometry(), QRect(0, 0, 15, 8));
    QCOMPARE(pair.DownButton()->geometry(), QRect(0, 7, 15, 10));

    // A plain resize is corrected after the fact.
    pair.show();
    pair.resize(4, 9);
    QCOMPARE(pair.size(), QSize(15, 9));
    QCOMPARE(pair.UpButton()->geometry(), QRect(0, 0, 15, 4));
    QCOMPARE(pair.DownButton()->geometry(), QRect(0, 3, 15, 6));
}

void SpinButtonTest::PairSitsInsideRightEdgeOfSpinEdit()
{
    Host host;
    QVERIFY(host.Active());
    TCSpinButton* pair = host.spin->Button();
    QCOMPARE(QFontMetrics(host.spin->font()).height(), 13);
    QCOMPARE(host.spin->MinHeight(), 22);
    QCOMPARE(pair->parentWidget(), host.spin);
    QCOMPARE(pair->FocusControl(), host.spin);
    QVERIFY(pair->isVisible());
    // Client coordinates (21, 0) inside the frame of the box.
    const QPoint client = pair->pos() - QPoint(pair->y(), pair->y());
    QCOMPARE(client, QPoint(21, 0));
    QCOMPARE(pair->size(), QSize(15, 17));
    QCOMPARE(host.Up()->geometry(), QRect(0, 0, 15, 8));
    QCOMPARE(host.Down()->geometry(), QRect(0, 7, 15, 10));
    QCOMPARE(host.spin->textMargins().right(), 17);
    QVERIFY(pair->geometry().right() < host.spin->width());

    host.spin->setFixedSize(60, 30);
    QCOMPARE(pair->pos() - QPoint(pair->y(), pair->y()), QPoint(40, 0));
    QCOMPARE(pair->size(), QSize(15, 25));

    // Without a frame the pair sits flush with the right edge.
    host.spin->setFrame(false);
    host.spin->setFixedSize(50, 30);
    QCOMPARE(pair->geometry(), QRect(35, 0, 15, 30));
}

void SpinButtonTest::ReleaseBeforeFirstRepeatClicksOnce()
{
    Host host;
    QVERIFY(host.Active());
    QTest::mousePress(host.Up(), Qt::LeftButton, {}, kInside);
    QVERIFY(host.Up()->IsDown());
    QVERIFY(host.Up()->HoldTimer());
    QVERIFY(host.Up()->HoldTimer()->isActive());
    QCOMPARE(host.Up()->HoldTimer()->interval(), 400);
    QCOMPARE(host.spin->ups, 0);
    QTest::mouseRelease(host.Up(), Qt::LeftButton, {}, kInside);
    QCOMPARE(host.spin->ups, 1);
    QCOMPARE(host.spin->text(), QStringLiteral("5"));
    QVERIFY(!host.Up()->IsDown());
    QVERIFY(!host.Up()->HoldTimer()->isActive());

    QTest::mouseClick(host.Down(), Qt::LeftButton, {}, kInside);
    QCOMPARE(host.spin->text(), QStringLiteral("4"));
    QCOMPARE(host.changes, 2);
}

void SpinButtonTest::HeldPressRepeatsAndStopsAtMaxValue()
{
    Host host;
    QVERIFY(host.Active());
    host.spin->SetValue(1);
    QTest::mousePress(host.Up(), Qt::LeftButton, {}, kInside);
    QTimer* timer = host.Up()->HoldTimer();
    QStringList texts;
    for (int tick = 0; tick < 6; ++tick) {
        host.Up()->TimerExpired();
        QCOMPARE(timer->interval(), 100);
        QVERIFY(timer->isActive());
        texts << host.spin->text();
    }
    QCOMPARE(texts, QStringList({"2", "3", "4", "5", "5", "5"}));
    QTest::mouseRelease(host.Up(), Qt::LeftButton, {}, kInside);
    QCOMPARE(host.spin->ups, 7);
    QCOMPARE(host.spin->text(), QStringLiteral("5"));
    QVERIFY(!timer->isActive());
}

void SpinButtonTest::EveryPressWaitsTheFullFirstDelay()
{
    Host host;
    QVERIFY(host.Active());
    QTest::mousePress(host.Up(), Qt::LeftButton, {}, kInside);
    QTimer* timer = host.Up()->HoldTimer();
    host.Up()->TimerExpired();
    QTest::mouseRelease(host.Up(), Qt::LeftButton, {}, kInside);
    QTest::mousePress(host.Up(), Qt::LeftButton, {}, kInside);
    QCOMPARE(host.Up()->HoldTimer(), timer); // created once
    QCOMPARE(timer->interval(), 400);
    QVERIFY(timer->isActive());
    QTest::mouseRelease(host.Up(), Qt::LeftButton, {}, kInside);
}

void SpinButtonTest::DraggingOffStopsClicksAndBackResumes()
{
    Host host;
    QVERIFY(host.Active());
    host.spin->SetValue(1);
    QTest::mousePress(host.Up(), Qt::LeftButton, {}, kInside);
    QTest::mouseMove(host.Up(), kOutside);
    QVERIFY(!host.Up()->IsDown());
    host.Up()->TimerExpired();
    host.Up()->TimerExpired();
    QCOMPARE(host.spin->ups, 0);
    QVERIFY(host.Up()->HoldTimer()->isActive()); // keeps ticking

    QTest::mouseMove(host.Up(), kInside);
    QVERIFY(host.Up()->IsDown());
    host.Up()->TimerExpired();
    QCOMPARE(host.spin->ups, 1);

    QTest::mouseMove(host.Up(), kOutside);
    QTest::mouseRelease(host.Up(), Qt::LeftButton, {}, kOutside);
    QCOMPARE(host.spin->ups, 1);
    QCOMPARE(host.spin->text(), QStringLiteral("2"));
    QVERIFY(!host.Up()->HoldTimer()->isActive());
}

void SpinButtonTest::RightButtonDoesNotClick()
{
    Host host;
    QVERIFY(host.Active());
    host.spin->setFocus();
    QTest::mousePress(host.Up(), Qt::RightButton, {}, kInside);
    QVERIFY(!host.Up()->IsDown());
    host.Up()->TimerExpired();
    host.Up()->TimerExpired();
    QTest::mouseRelease(host.Up(), Qt::RightButton, {}, kInside);
    QCOMPARE(host.spin->ups, 0);
    QCOMPARE(host.changes, 0);
    QVERIFY(!host.Up()->HoldTimer()->isActive());
}

void SpinButtonTest::OtherButtonsNeitherFocusNorOpenMenu_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void SpinButtonTest::OtherButtonsNeitherFocusNorOpenMenu()
{
    QFETCH(Qt::MouseButton, button);
    Host host;
    QVERIFY(host.Active());
    QVERIFY(host.other->hasFocus());
    // Through the window, as the window system delivers it: the toolkit's
    // click focus and its context menu event both come on this path.
    QWindow* window = host.window.windowHandle();
    const QPoint at = host.Up()->mapTo(&host.window, kInside);
    QTest::mousePress(window, button, {}, at);
    const bool menuOpened = QApplication::activePopupWidget() != nullptr;
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    QTest::mouseRelease(window, button, {}, at);
    QVERIFY(!menuOpened);
    QVERIFY(host.other->hasFocus());
    QCOMPARE(host.spin->ups, 0);
}

void SpinButtonTest::GlyphTakesButtonTextColour_data()
{
    QTest::addColumn<QColor>("button");
    QTest::addColumn<QColor>("text");
    QTest::newRow("light") << QColor(Qt::lightGray) << QColor(Qt::black);
    QTest::newRow("dark") << QColor(0x30, 0x30, 0x30) << QColor(0xEE, 0xEE, 0xEE);
}

void SpinButtonTest::GlyphTakesButtonTextColour()
{
    QFETCH(QColor, button);
    QFETCH(QColor, text);
    TCSpinButton pair;
    QPalette palette = pair.palette();
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    pair.setPalette(palette);
    pair.SetBounds(0, 0, 15, 17);
    const QImage face = pair.UpButton()->grab().toImage();
    // The 9 x 6 glyph is centred on the 15 x 8 face; its tip is at (4, 1).
    QCOMPARE(QColor(face.pixel(3 + 4, 1 + 1)), text);
    QCOMPARE(QColor(face.pixel(3 + 0, 1 + 4)), button);
}

void SpinButtonTest::PressHandsFocusToSpinEditWithTextSelected()
{
    Host host;
    QVERIFY(host.Active());
    QVERIFY(host.other->hasFocus());
    QTest::mousePress(host.Down(), Qt::LeftButton, {}, kInside);
    QVERIFY(host.spin->hasFocus());
    QCOMPARE(host.spin->selectedText(), QStringLiteral("4"));
    QTest::mouseRelease(host.Down(), Qt::LeftButton, {}, kInside);
    QCOMPARE(host.spin->text(), QStringLiteral("3"));
    QVERIFY(host.spin->hasFocus());
}

void SpinButtonTest::PairWithoutTabStopNeverShowsFocusFrame()
{
    PairHost host;
    QVERIFY(host.Active());
    auto* target = new QLineEdit(&host.window);
    target->show();
    host.pair->SetFocusControl(target);
    host.other->setFocus();
    QTest::mouseClick(host.pair->DownButton(), Qt::LeftButton, {}, kInside);
    QCOMPARE(host.clicks, std::string("d"));
    QVERIFY(target->hasFocus());
    QCOMPARE(host.pair->SelectedButton(), host.pair->UpButton());
    QVERIFY(!host.pair->UpButton()->FocusFrame());
    QVERIFY(!host.pair->DownButton()->FocusFrame());
}

void SpinButtonTest::PairWithTabStopAnswersKeysAndMovesFrame()
{
    PairHost host;
    QVERIFY(host.Active());
    host.pair->SetTabStop(true);
    host.other->setFocus();
    QTest::keyClick(host.other, Qt::Key_Tab);
    QVERIFY(host.pair->hasFocus());
    TTimerSpeedButton* up = host.pair->UpButton();
    TTimerSpeedButton* down = host.pair->DownButton();
    QVERIFY(up->FocusFrame());

    QTest::keyClick(host.pair, Qt::Key_Down);
    QCOMPARE(host.clicks, std::string("d"));
    QCOMPARE(host.pair->SelectedButton(), down);
    QVERIFY(down->FocusFrame());
    QVERIFY(!up->FocusFrame());
    QTest::keyClick(host.pair, Qt::Key_Space);
    QCOMPARE(host.clicks, std::string("dd"));
    QTest::keyClick(host.pair, Qt::Key_A);
    QCOMPARE(host.clicks, std::string("dd"));

    QTest::mousePress(up, Qt::LeftButton, {}, kInside);
    QCOMPARE(host.pair->SelectedButton(), up);
    QVERIFY(up->FocusFrame());
    QVERIFY(!down->FocusFrame());
    QTest::mouseRelease(up, Qt::LeftButton, {}, kInside);
    QCOMPARE(host.clicks, std::string("ddu"));

    host.other->setFocus();
    QVERIFY(!up->FocusFrame());
    // A press on the pair takes the focus back to it.
    QTest::mouseClick(down, Qt::LeftButton, {}, kInside);
    QVERIFY(host.pair->hasFocus());
    QVERIFY(down->FocusFrame());
}

void SpinButtonTest::FocusFrameInvertsDottedRectangle()
{
    TTimerSpeedButton button;
    button.resize(15, 10);
    const QImage plain = button.grab().toImage();
    button.SetFocusFrame(true);
    const QImage framed = button.grab().toImage();
    auto changed = [&](int x, int y) { return plain.pixel(x, y) != framed.pixel(x, y); };
    // The rectangle runs 3 pixels inside the edges, dotted.
    QVERIFY(changed(3, 3));
    QVERIFY(!changed(4, 3));
    QVERIFY(changed(5, 3));
    QVERIFY(changed(11, 5));
    QVERIFY(!changed(2, 3));
    QVERIFY(!changed(7, 2));
    QVERIFY(!changed(12, 3));
    QVERIFY(!changed(7, 5));
    QCOMPARE(framed.pixel(3, 3) & 0xFFFFFFu, ~plain.pixel(3, 3) & 0xFFFFFFu);
}

void SpinButtonTest::DefaultGlyphsLoadByAnyCaseAndComeBack()
{
    for (const char* name : {"SpinUp", "SPINUP", "spinup", "SpinDown"}) {
        const QPixmap glyph = LoadBitmapResource(QString::fromLatin1(name));
        QCOMPARE(glyph.size(), QSize(9, 6));
    }
    QVERIFY(LoadBitmapResource(u"SpinLeft").isNull());

    const QImage up = ImageOf(LoadBitmapResource(u"SpinUp"));
    QCOMPARE(up.pixel(4, 1), qRgb(0, 0, 0)); // tip of the triangle pointing up
    QVERIFY(up.pixel(4, 4) == qRgb(0, 0, 0) && up.pixel(0, 4) != qRgb(0, 0, 0));
    const QImage down = ImageOf(LoadBitmapResource(u"SpinDown"));
    QCOMPARE(down.pixel(4, 4), qRgb(0, 0, 0));
    QVERIFY(down.pixel(0, 4) != qRgb(0, 0, 0));
    const QImage drawn = ImageOf(TransparentGlyph(LoadBitmapResource(u"SpinUp")));
    QCOMPARE(qAlpha(drawn.pixel(0, 5)), 0);
    QCOMPARE(qAlpha(drawn.pixel(4, 1)), 255);

    TCSpinButton pair;
    QCOMPARE(ImageOf(pair.UpGlyph()), up);
    QCOMPARE(ImageOf(pair.DownGlyph()), down);
    QPixmap custom(5, 5);
    custom.fill(Qt::red);
    pair.SetUpGlyph(custom);
    QCOMPARE(ImageOf(pair.UpGlyph()), ImageOf(custom));
    pair.SetUpGlyph(QPixmap());
    QCOMPARE(ImageOf(pair.UpGlyph()), up);
}

void SpinButtonTest::RepeatClickErrorStopsTimerAndIsReported()
{
    ReportRecorder reports;
    Host host;
    QVERIFY(host.Active());
    QTest::mousePress(host.Up(), Qt::LeftButton, {}, kInside);
    host.spin->failUp = true;
    host.Up()->TimerExpired();
    QCOMPARE(reports.messages.size(), std::size_t(1));
    QCOMPARE(Q(reports.messages.front()), QStringLiteral("step failed"));
    QVERIFY(!host.Up()->HoldTimer()->isActive());
    host.spin->failUp = false;
    QTest::mouseRelease(host.Up(), Qt::LeftButton, {}, kInside);
    QCOMPARE(host.spin->text(), QStringLiteral("5")); // the release still clicks

    // The release click's error is reported too.
    host.spin->failUp = true;
    QTest::mouseClick(host.Up(), Qt::LeftButton, {}, kInside);
    QCOMPARE(reports.messages.size(), std::size_t(2));
}

void SpinButtonTest::HeldButtonRepeatsInRealTime()
{
    Host host;
    QVERIFY(host.Active());
    host.spin->SetMaxValue(100);
    host.spin->SetValue(1);
    QElapsedTimer clock;
    std::vector<qint64> times;
    host.spin->OnChange = [&](QObject*) { times.push_back(clock.elapsed()); };
    clock.start();
    QTest::mousePress(host.Up(), Qt::LeftButton, {}, kInside);
    QTest::qWait(1050);
    QTest::mouseRelease(host.Up(), Qt::LeftButton, {}, kInside);
    // Repeats at about 400, 500, ... 1000 ms, then one on release; the
    // machine may be slow, so only the shape is checked.
    QString shape;
    for (qint64 t : times)
        shape += QString::number(t) + u' ';
    QVERIFY2(times.size() >= 3 && times.size() <= 9, qPrintable(shape));
    QVERIFY2(times.front() >= 350, qPrintable(shape)); // coarse timers may fire 5% early
    if (times.size() > 2)
        QVERIFY2(times[1] - times[0] >= 75, qPrintable(shape));
    QCOMPARE(host.spin->GetValue(), 1 + int(times.size()));
}

void SpinButtonTest::DestroyingSpinEditWhileHeldIsSafe()
{
    auto host = std::make_unique<Host>();
    QVERIFY(host->Active());
    QTest::mousePress(host->Up(), Qt::LeftButton, {}, kInside);
    const QPointer<QTimer> timer = host->Up()->HoldTimer();
    QVERIFY(timer && timer->isActive());
    host.reset();
    // The repeat timer goes with its button: no tick can reach a destroyed one.
    QVERIFY(timer.isNull());
}

QTEST_MAIN(SpinButtonTest)
#include "SpinButtonTest.moc"
