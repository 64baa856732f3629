#include "cspin/TCSpinEdit.h"
#include "cspin/TextHeight.h"
#include "tests/cspin/SpinTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QFontDatabase>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <climits>
#include <memory>

using namespace vt;

namespace {

// A window holding another edit box first and the spin edit second, so the
// focus can be moved in and out by Tab and by clicks.
struct Host
{
    Host()
    {
        auto* layout = new QVBoxLayout(&window);
        other = new QLineEdit(&window);
        spin = new TCSpinEdit(&window);
        layout->addWidget(other);
        layout->addWidget(spin);
        spin->OnChange = [this](QObject* sender) {
            QCOMPARE(sender, spin);
            texts.push_back(spin->text());
            if (readsValue)
                spin->GetValue();
        };
        window.show();
        window.activateWindow();
        other->setFocus();
    }
    bool Active() { return QTest::qWaitForWindowActive(&window); }

    QWidget window;
    QLineEdit* other = nullptr;
    TCSpinEdit* spin = nullptr;
    QStringList texts;
    bool readsValue = false;
};

void SetBounds(TCSpinEdit& spin, int min, int max)
{
    spin.SetMinValue(min);
    spin.SetMaxValue(max);
}

QKeyEvent KeyDown(Qt::Key key, const QString& text = {}, Qt::KeyboardModifiers mods = Qt::NoModifier,
                  bool autoRepeat = false)
{
    return QKeyEvent(QEvent::KeyPress, key, mods, text, autoRepeat);
}

} // namespace

class SpinEditTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { QApplication::clipboard()->clear(); }

    void NewSpinEditIsUnboundedAndNotifiesNobody();
    void ValueReadsTextWithoutClamping_data();
    void ValueReadsTextWithoutClamping();
    void NonNumberIsReplacedByMinValueWithNestedChange();
    void EmptyTextStaysWithoutReadingHandler();
    void SetValueClamps_data();
    void SetValueClamps();
    void SetValueWithEqualTextFiresNothing();
    void SteppingClampsAndReplacesNonNumber();
    void SteppingWrapsAroundTheIntegerRange();
    void StepsMoveByIncrement_data();
    void StepsMoveByIncrement();
    void ArrowKeysGoOnAfterStepping();
    void ArrowKeysStepOnEveryKeyDown();
    void KeyFilterAcceptsNumberCharacters();
    void KeyFilterRefusesWithBeep();
    void DisabledEditorRefusesTypingButSteps();
    void EnterAlwaysBeeps();
    void ReadOnlyBeepsOnStepsAndRefusesPasteAndCutSilently();
    void PasteAndCutWorkWhenEditable();
    void PasteAndCutRefusedWhenEditorDisabled();
    void ContextMenuDisablesRefusedEdits();
    void DropRefusedWhenEditorDisabled();
    void TabEntrySelectsAllClickPlacesCaret();
    void FocusExitClampsOutOfRangeText();
    void FocusExitLeavesInRangeTextAsTyped();
    void WindowDeactivationIsNoExit();
    void ResizeBelowMinimumHeightIsBumped();
    void TextHeightComesFromTheFaceMetrics_data();
    void TextHeightComesFromTheFaceMetrics();
    void HandlerErrorOfSetValueReachesTheCaller();
    void HandlerErrorOfTypingIsReported();
};

void SpinEditTest::NewSpinEditIsUnboundedAndNotifiesNobody()
{
    int changes = 0;
    TCSpinEdit spin;
    QCOMPARE(spin.text(), QStringLiteral("0"));
    QCOMPARE(spin.MinValue(), 0);
    QCOMPARE(spin.MaxValue(), 0);
    QCOMPARE(spin.Increment(), 1);
    QVERIFY(spin.EditorEnabled());
    spin.SetValue(-12);
    QCOMPARE(spin.text(), QStringLiteral("-12"));
    spin.OnChange = [&](QObject*) { ++changes; };
    spin.SetMaxValue(5);
    spin.SetMinValue(1);
    QCOMPARE(spin.text(), QStringLiteral("-12")); // writing a bound leaves the text
    spin.SetValue(4);
    QCOMPARE(changes, 1);
}

void SpinEditTest::ValueReadsTextWithoutClamping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("after");
    QTest::newRow("above max") << "9" << 9 << "9";
    QTest::newRow("leading zero") << "03" << 3 << "03";
    QTest::newRow("plus") << "+3" << 3 << "+3";
    QTest::newRow("leading blank") << " 3" << 3 << " 3";
    QTest::newRow("hex") << "$3" << 3 << "$3";
    QTest::newRow("trailing blank") << "3 " << 1 << "1";
    QTest::newRow("bare prefix") << "0x" << 1 << "1";
    QTest::newRow("empty") << "" << 1 << "1";
    QTest::newRow("blanks") << "  " << 1 << "1";
    QTest::newRow("lone sign") << "-" << 1 << "1";
    QTest::newRow("out of range") << "2147483648" << 1 << "1";
    QTest::newRow("decimal separator") << QStringLiteral("3") + QLocale().decimalPoint() << 1 << "1";
}

void SpinEditTest::ValueReadsTextWithoutClamping()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(QString, after);
    TCSpinEdit spin;
    SetBounds(spin, 1, 5);
    spin.setText(text);
    QCOMPARE(spin.GetValue(), value);
    QCOMPARE(spin.text(), after);
}

void SpinEditTest::NonNumberIsReplacedByMinValueWithNestedChange()
{
    Host host;
    QVERIFY(host.Active());
    SetBounds(*host.spin, 1, 5);
    host.spin->setText(QStringLiteral("3"));
    host.readsValue = true;
    host.texts.clear();
    host.spin->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(host.spin, Qt::Key_End);
    QTest::keyClick(host.spin, Qt::Key_Backspace);
    QCOMPARE(host.texts, QStringList({"", "1"}));
    QCOMPARE(host.spin->text(), QStringLiteral("1"));
    // Typing goes on normally after the nested replacement.
    QTest::keyClick(host.spin, Qt::Key_End);
    QTest::keyClick(host.spin, Qt::Key_2);
    QCOMPARE(host.spin->text(), QStringLiteral("12"));
}

void SpinEditTest::EmptyTextStaysWithoutReadingHandler()
{
    int changes = 0;
    TCSpinEdit spin;
    SetBounds(spin, 1, 5);
    spin.setText(QStringLiteral("3"));
    spin.OnChange = [&](QObject*) { ++changes; };
    spin.setCursorPosition(1);
    QTest::keyClick(&spin, Qt::Key_Backspace);
    QCOMPARE(spin.text(), QString());
    QCOMPARE(changes, 1);
    QCOMPARE(spin.GetValue(), 1);
    QCOMPARE(spin.text(), QStringLiteral("1"));
    QCOMPARE(changes, 2);
}

void SpinEditTest::SetValueClamps_data()
{
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("inside") << 1 << 5 << 3 << "3";
    QTest::newRow("below") << 1 << 5 << 0 << "1";
    QTest::newRow("above") << 1 << 5 << 7 << "5";
    QTest::newRow("equal zero bounds") << 0 << 0 << -12 << "-12";
    QTest::newRow("equal bounds") << 3 << 3 << -12 << "-12";
    QTest::newRow("reversed, between") << 5 << 1 << 3 << "5";
    QTest::newRow("reversed, above both") << 5 << 1 << 7 << "1";
    QTest::newRow("extremes") << INT_MIN << INT_MAX << INT_MIN << "-2147483648";
}

void SpinEditTest::SetValueClamps()
{
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, value);
    QFETCH(QString, text);
    TCSpinEdit spin;
    SetBounds(spin, min, max);
    spin.SetValue(value);
    QCOMPARE(spin.text(), text);
}

void SpinEditTest::SetValueWithEqualTextFiresNothing()
{
    int changes = 0;
    TCSpinEdit spin;
    SetBounds(spin, 1, 5);
    spin.SetValue(4);
    spin.OnChange = [&](QObject*) { ++changes; };
    spin.SetValue(4);
    spin.SetValue(9); // "5"
    spin.SetValue(5);
    QCOMPARE(changes, 1);
    QCOMPARE(spin.text(), QStringLiteral("5"));
}

void SpinEditTest::SteppingClampsAndReplacesNonNumber()
{
    QStringList texts;
    TCSpinEdit spin;
    SetBounds(spin, 1, 5);
    spin.OnChange = [&](QObject*) { texts << spin.text(); };
    spin.setText(QStringLiteral("9"));
    spin.UpClick(nullptr);
    QCOMPARE(spin.text(), QStringLiteral("5"));
    spin.setText(QStringLiteral("9"));
    spin.DownClick(nullptr);
    QCOMPARE(spin.text(), QStringLiteral("5"));
    texts.clear();
    spin.setText(QStringLiteral("abc"));
    texts.clear();
    spin.UpClick(nullptr);
    QCOMPARE(texts, QStringList({"1", "2"}));
    spin.SetIncrement(3);
    spin.DownClick(nullptr);
    QCOMPARE(spin.text(), QStringLiteral("1"));
}

void SpinEditTest::SteppingWrapsAroundTheIntegerRange()
{
    TCSpinEdit spin;
    SetBounds(spin, 0, INT_MAX);
    spin.SetValue(INT_MAX);
    spin.UpClick(nullptr);
    QCOMPARE(spin.text(), QStringLiteral("0"));
    SetBounds(spin, 0, 0);
    spin.SetValue(INT_MIN);
    spin.DownClick(nullptr);
    QCOMPARE(spin.text(), QStringLiteral("2147483647"));
    spin.SetIncrement(INT_MIN);
    spin.UpClick(nullptr);
    QCOMPARE(spin.text(), QStringLiteral("-1"));
}

void SpinEditTest::StepsMoveByIncrement_data()
{
    QTest::addColumn<bool>("up");
    QTest::addColumn<int>("increment");
    QTest::addColumn<QString>("expected");
    QTest::newRow("up by 3") << true << 3 << "13";
    QTest::newRow("down by 3") << false << 3 << "7";
    QTest::newRow("down by -2") << false << -2 << "12";
}

void SpinEditTest::StepsMoveByIncrement()
{
    QFETCH(bool, up);
    QFETCH(int, increment);
    QFETCH(QString, expected);
    TCSpinEdit spin;
    spin.SetValue(10);
    spin.SetIncrement(increment);
    if (up)
        spin.UpClick(nullptr);
    else
        spin.DownClick(nullptr);
    QCOMPARE(spin.text(), expected);
}

void SpinEditTest::ArrowKeysGoOnAfterStepping()
{
    // The text box's own key handling still sees the arrow keys: it leaves
    // them to the parent, which gets them after the step.
    struct Parent : QWidget
    {
        void keyPressEvent(QKeyEvent* event) override { keys << event->key(); }
        QList<int> keys;
    } parent;
    auto* spin = new TCSpinEdit(&parent);
    spin->SetValue(3);
    QTest::keyClick(spin, Qt::Key_Up);
    QTest::keyClick(spin, Qt::Key_Down);
    QTest::keyClick(spin, Qt::Key_Down);
    QCOMPARE(spin->text(), QStringLiteral("2"));
    QCOMPARE(parent.keys, QList<int>({Qt::Key_Up, Qt::Key_Down, Qt::Key_Down}));
}

void SpinEditTest::ArrowKeysStepOnEveryKeyDown()
{
    BeepCounter beeps;
    TCSpinEdit spin;
    SetBounds(spin, 1, 5);
    spin.SetValue(1);
    QTest::keyClick(&spin, Qt::Key_Up);
    QCOMPARE(spin.text(), QStringLiteral("2"));
    // The keyboard's auto-repeat steps on each repeated key-down.
    for (int i = 0; i < 5; ++i) {
        QKeyEvent repeat = KeyDown(Qt::Key_Up, {}, Qt::NoModifier, true);
        QApplication::sendEvent(&spin, &repeat);
    }
    QCOMPARE(spin.text(), QStringLiteral("5"));
    QTest::keyClick(&spin, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(spin.text(), QStringLiteral("4"));
    QTest::keyClick(&spin, Qt::Key_PageUp);
    QTest::keyClick(&spin, Qt::Key_Plus);
    QCOMPARE(spin.text(), QStringLiteral("4+")); // no other key steps
    QCOMPARE(beeps.count, 0);
}

void SpinEditTest::KeyFilterAcceptsNumberCharacters()
{
    BeepCounter beeps;
    TCSpinEdit spin;
    spin.clear();
    QTest::keyClicks(&spin, QStringLiteral("-+0123456789"));
    const QString separator = QLocale().decimalPoint();
    QKeyEvent sep = KeyDown(Qt::Key_unknown, separator);
    QApplication::sendEvent(&spin, &sep);
    QCOMPARE(spin.text(), QStringLiteral("-+0123456789") + separator);
    QTest::keyClick(&spin, Qt::Key_Backspace);
    QTest::keyClick(&spin, Qt::Key_Home);
    QTest::keyClick(&spin, Qt::Key_Delete);
    QCOMPARE(spin.text(), QStringLiteral("+0123456789"));
    QTest::keyClick(&spin, Qt::Key_Escape); // a control character gets through
    QCOMPARE(beeps.count, 0);
    QVERIFY(spin.IsValidChar(u'\t'));
    QVERIFY(!spin.IsValidChar(u'\r'));
}

void SpinEditTest::KeyFilterRefusesWithBeep()
{
    BeepCounter beeps;
    TCSpinEdit spin;
    spin.setText(QStringLiteral("1"));
    spin.end(false);
    QTest::keyClicks(&spin, QStringLiteral("a Z/e"));
    QKeyEvent cyrillic = KeyDown(Qt::Key_unknown, QStringLiteral("я"));
    QApplication::sendEvent(&spin, &cyrillic);
    QCOMPARE(spin.text(), QStringLiteral("1"));
    QCOMPARE(beeps.count, 6);
    // Characters from an input method are filtered alike.
    QInputMethodEvent im;
    im.setCommitString(QStringLiteral("2x3"));
    QApplication::sendEvent(&spin, &im);
    QCOMPARE(spin.text(), QStringLiteral("123"));
    QCOMPARE(beeps.count, 7);
}

void SpinEditTest::DisabledEditorRefusesTypingButSteps()
{
    BeepCounter beeps;
    TCSpinEdit spin;
    spin.SetEditorEnabled(false);
    spin.SetValue(7);
    spin.end(false);
    QTest::keyClicks(&spin, QStringLiteral("1+-a "));
    QKeyEvent sep = KeyDown(Qt::Key_unknown, QLocale().decimalPoint());
    QApplication::sendEvent(&spin, &sep);
    QTest::keyClick(&spin, Qt::Key_Backspace);
    QTest::keyClick(&spin, Qt::Key_Backspace, Qt::ControlModifier);
    QTest::keyClick(&spin, Qt::Key_Home);
    QTest::keyClick(&spin, Qt::Key_Delete);
    QCOMPARE(spin.text(), QStringLiteral("7"));
    QCOMPARE(beeps.count, 9);
    QTest::keyClick(&spin, Qt::Key_Escape);
    QCOMPARE(beeps.count, 9);
    QTest::keyClick(&spin, Qt::Key_Up);
    QCOMPARE(spin.text(), QStringLiteral("8"));
    QTest::keyClick(&spin, Qt::Key_Down);
    QTest::keyClick(&spin, Qt::Key_Down);
    QCOMPARE(spin.text(), QStringLiteral("6"));
    QCOMPARE(beeps.count, 9);
}

void SpinEditTest::EnterAlwaysBeeps()
{
    BeepCounter beeps;
    TCSpinEdit spin;
    QSignalSpy returns(&spin, &QLineEdit::returnPressed);
    QTest::keyClick(&spin, Qt::Key_Return);
    QTest::keyClick(&spin, Qt::Key_Enter, Qt::KeypadModifier);
    spin.SetEditorEnabled(false);
    QTest::keyClick(&spin, Qt::Key_Return);
    QCOMPARE(beeps.count, 3);
    QCOMPARE(returns.count(), 0);
    QCOMPARE(spin.text(), QStringLiteral("0"));
}

void SpinEditTest::ReadOnlyBeepsOnStepsAndRefusesPasteAndCutSilently()
{
    BeepCounter beeps;
    int changes = 0;
    TCSpinEdit spin;
    spin.SetValue(3);
    spin.setReadOnly(true);
    spin.OnChange = [&](QObject*) { ++changes; };
    QTest::keyClick(&spin, Qt::Key_Up);
    QTest::keyClick(&spin, Qt::Key_Down);
    spin.UpClick(nullptr);
    QCOMPARE(beeps.count, 3);
    QApplication::clipboard()->setText(QStringLiteral("9"));
    spin.selectAll();
    QTest::keyClick(&spin, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&spin, Qt::Key_X, Qt::ControlModifier);
    spin.paste();
    spin.cut();
    QCOMPARE(spin.text(), QStringLiteral("3"));
    QCOMPARE(changes, 0);
    QCOMPARE(beeps.count, 3);
}

void SpinEditTest::PasteAndCutWorkWhenEditable()
{
    BeepCounter beeps;
    int changes = 0;
    TCSpinEdit spin;
    spin.OnChange = [&](QObject*) { ++changes; };
    spin.selectAll();
    QTest::keyClick(&spin, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(spin.text(), QString());
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("0"));
    // Pasted text is not filtered.
    QApplication::clipboard()->setText(QStringLiteral("ab"));
    QTest::keyClick(&spin, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(spin.text(), QStringLiteral("ab"));
    spin.paste();
    QCOMPARE(spin.text(), QStringLiteral("abab"));
    QCOMPARE(changes, 3);
    QCOMPARE(beeps.count, 0);
}

void SpinEditTest::PasteAndCutRefusedWhenEditorDisabled()
{
    BeepCounter beeps;
    int changes = 0;
    TCSpinEdit spin;
    spin.SetValue(3);
    spin.SetEditorEnabled(false);
    spin.OnChange = [&](QObject*) { ++changes; };
    QApplication::clipboard()->setText(QStringLiteral("9"));
    spin.selectAll();
    QTest::keyClick(&spin, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&spin, Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(&spin, Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(&spin, Qt::Key_Delete, Qt::ShiftModifier);
    spin.paste();
    spin.cut();
    QVERIFY(QMetaObject::invokeMethod(&spin, "paste"));
    QCOMPARE(spin.text(), QStringLiteral("3"));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("9"));
    QCOMPARE(changes, 0);
    QCOMPARE(beeps.count, 0);
}

void SpinEditTest::ContextMenuDisablesRefusedEdits()
{
    Host host;
    QVERIFY(host.Active());
    QApplication::clipboard()->setText(QStringLiteral("9"));
    host.spin->setFocus();
    host.spin->selectAll();
    auto openMenu = [&]() -> QMenu* {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), host.spin->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(host.spin, &event);
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* menu = qobject_cast<QMenu*>(w); menu && menu->isVisible())
                return menu;
        }
        return nullptr;
    };
    auto action = [](QMenu* menu, const char* name) {
        for (QAction* a : menu->actions()) {
            if (a->objectName() == QLatin1String(name))
                return a;
        }
        return static_cast<QAction*>(nullptr);
    };
    QPointer<QMenu> menu = openMenu();
    QVERIFY(menu);
    QVERIFY(action(menu, "edit-paste")->isEnabled());
    QVERIFY(action(menu, "edit-cut")->isEnabled());
    menu->close();
    QTRY_VERIFY(!menu);

    host.spin->SetEditorEnabled(false);
    menu = openMenu();
    QVERIFY(menu);
    QVERIFY(!action(menu, "edit-paste")->isEnabled());
    QVERIFY(!action(menu, "edit-cut")->isEnabled());
    QVERIFY(!action(menu, "edit-delete")->isEnabled());
    QVERIFY(action(menu, "edit-copy")->isEnabled());
    action(menu, "edit-paste")->trigger();
    QCOMPARE(host.spin->text(), QStringLiteral("0"));
    menu->close();
}

void SpinEditTest::DropRefusedWhenEditorDisabled()
{
    TCSpinEdit spin;
    spin.SetValue(3);
    spin.SetEditorEnabled(false);
    QMimeData mime;
    mime.setText(QStringLiteral("9"));
    QDragEnterEvent enter(QPoint(3, 3), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&spin, &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(QPointF(3, 3), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&spin, &drop);
    QVERIFY(!drop.isAccepted());
    QCOMPARE(spin.text(), QStringLiteral("3"));

    spin.SetEditorEnabled(true);
    spin.show();
    QDragEnterEvent enter2(QPoint(3, 3), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&spin, &enter2);
    QVERIFY(enter2.isAccepted());
    QDropEvent accepted(QPointF(3, 3), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&spin, &accepted);
    QVERIFY(spin.text().contains(u'9'));
}

void SpinEditTest::TabEntrySelectsAllClickPlacesCaret()
{
    Host host;
    QVERIFY(host.Active());
    host.spin->setText(QStringLiteral("1234"));
    host.spin->setCursorPosition(2);
    QTest::keyClick(host.other, Qt::Key_Tab);
    QVERIFY(host.spin->hasFocus());
    QCOMPARE(host.spin->selectedText(), QStringLiteral("1234"));

    host.other->setFocus();
    QTest::mouseClick(host.spin, Qt::LeftButton, Qt::NoModifier, QPoint(6, host.spin->height() / 2));
    QVERIFY(host.spin->hasFocus());
    QVERIFY(!host.spin->hasSelectedText());

    host.other->setFocus();
    host.spin->setFocus(Qt::OtherFocusReason);
    QCOMPARE(host.spin->selectedText(), QStringLiteral("1234"));

    host.other->setFocus();
    host.spin->SetAutoSelect(false);
    host.spin->setCursorPosition(1);
    QTest::keyClick(host.other, Qt::Key_Tab);
    QVERIFY(host.spin->hasFocus());
    QVERIFY(!host.spin->hasSelectedText());
}

void SpinEditTest::FocusExitClampsOutOfRangeText()
{
    Host host;
    QVERIFY(host.Active());
    SetBounds(*host.spin, 1, 5);
    host.spin->setFocus();
    host.spin->setText(QStringLiteral("9"));
    host.texts.clear();
    host.other->setFocus();
    QCOMPARE(host.spin->text(), QStringLiteral("5"));
    QCOMPARE(host.texts, QStringList({"5"}));

    host.spin->setFocus();
    host.spin->setText(QStringLiteral("x"));
    host.texts.clear();
    QTest::keyClick(host.spin, Qt::Key_Tab);
    QVERIFY(host.other->hasFocus());
    QCOMPARE(host.texts, QStringList({"1"}));
}

void SpinEditTest::FocusExitLeavesInRangeTextAsTyped()
{
    Host host;
    QVERIFY(host.Active());
    SetBounds(*host.spin, 1, 5);
    for (const QString& typed :
         {QStringLiteral("03"), QStringLiteral("+3"), QStringLiteral(" 3"), QStringLiteral("$3")}) {
        host.spin->setFocus();
        host.spin->setText(typed);
        host.texts.clear();
        host.other->setFocus();
        QCOMPARE(host.spin->text(), typed);
        QVERIFY(host.texts.isEmpty());
    }
}

void SpinEditTest::WindowDeactivationIsNoExit()
{
    Host host;
    QVERIFY(host.Active());
    SetBounds(*host.spin, 1, 5);
    host.spin->setFocus();
    host.spin->setText(QStringLiteral("9"));
    host.spin->setCursorPosition(1);
    QWidget second;
    second.show();
    second.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&second));
    QCOMPARE(host.spin->text(), QStringLiteral("9"));
    host.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&host.window));
    QVERIFY(host.spin->hasFocus());
    QVERIFY(!host.spin->hasSelectedText());
    QCOMPARE(host.spin->text(), QStringLiteral("9"));
}

void SpinEditTest::ResizeBelowMinimumHeightIsBumped()
{
    TCSpinEdit spin;
    QFont font = spin.font();
    font.setPixelSize(11);
    spin.setFont(font);
    const int f = QFontMetrics(font).height();
    const int s = QFontMetrics(QApplication::font()).height();
    QCOMPARE(spin.MinHeight(), f + std::min(s, f) / 4 + 4 + 2);
    spin.show();
    spin.resize(41, 5);
    QCOMPARE(spin.height(), spin.MinHeight());
    spin.resize(41, 40);
    QCOMPARE(spin.height(), 40);
}

void SpinEditTest::TextHeightComesFromTheFaceMetrics_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("minHeight");
    // Tahoma: Windows ascent 2049 and descent 423 per 2048 units; its
    // bitmap strike at 11 pixels would give 11. DejaVu Sans: 1901 and 483.
    const QString tahoma = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    const QString dejavu = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    QTest::newRow("Tahoma 11") << tahoma << 11 << 13 << 22;
    QTest::newRow("Tahoma 17") << tahoma << 17 << 21 << 32;
    QTest::newRow("DejaVu Sans 11") << dejavu << 11 << 13 << 22;
    QTest::newRow("DejaVu Sans 17") << dejavu << 17 << 20 << 31;
}

void SpinEditTest::TextHeightComesFromTheFaceMetrics()
{
    QFETCH(QString, file);
    QFETCH(int, pixels);
    QFETCH(int, height);
    QFETCH(int, minHeight);
    QVERIFY2(QFile::exists(file),
             qPrintable(file + QStringLiteral(" is missing (Debian fonts-wine, fonts-dejavu-core)")));
    const int id = QFontDatabase::addApplicationFont(file);
    QVERIFY(id >= 0);
    QFont font(QFontDatabase::applicationFontFamilies(id).constFirst());
    font.setPixelSize(pixels);
    QCOMPARE(TextHeight(font), height);
    // The minimum height of a box in that font, with the system font's text
    // at least as high.
    QFont system = QApplication::font();
    QApplication::setFont(font);
    TCSpinEdit spin;
    spin.setFont(font);
    QCOMPARE(spin.MinHeight(), minHeight);
    QApplication::setFont(system);
    QFontDatabase::removeApplicationFont(id);
}

void SpinEditTest::HandlerErrorOfSetValueReachesTheCaller()
{
    ReportRecorder reports;
    TCSpinEdit spin;
    spin.OnChange = [&](QObject*) {
        if (spin.text() == QLatin1String("4"))
            throw Error(u"boom");
    };
    try {
        spin.SetValue(4);
        QFAIL("SetValue did not throw");
    } catch (const Error& e) {
        QCOMPARE(Q(e.Message()), QStringLiteral("boom"));
    }
    QCOMPARE(spin.text(), QStringLiteral("4"));
    spin.SetValue(5); // the control works on
    QCOMPARE(spin.text(), QStringLiteral("5"));
    QVERIFY(reports.messages.empty());
}

void SpinEditTest::HandlerErrorOfTypingIsReported()
{
    ReportRecorder reports;
    TCSpinEdit spin;
    SetBounds(spin, 1, 5);
    // The nested change of the value read fails; the typing that started it
    // is reported once.
    spin.OnChange = [&](QObject*) {
        if (spin.text() == QLatin1String("1"))
            throw Error(u"nested");
        spin.GetValue();
    };
    spin.end(false);
    QTest::keyClick(&spin, Qt::Key_Backspace);
    QCOMPARE(spin.text(), QStringLiteral("1"));
    QCOMPARE(reports.messages.size(), std::size_t(1));
    QCOMPARE(Q(reports.messages.front()), QStringLiteral("nested"));
    QTest::keyClick(&spin, Qt::Key_Up);
    QCOMPARE(spin.text(), QStringLiteral("2"));
}

QTEST_MAIN(SpinEditTest)
#include "SpinEditTest.moc"
