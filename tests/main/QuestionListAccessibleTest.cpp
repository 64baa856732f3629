// The question list as a screen reader reads it through the toolkit's
// accessibility layer. Events reach a client only while a bridge is active,
// so this runs under tests/main/with-accessibility-bus.

#include "base/BaseFormat.h"
#include "base/ByteStream.h"
#include "main/QuestionList.h"
#include "tests/main/ScriptedDialog.h"
#include "tests/main/WindowHarness.h"

#include <QAccessible>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace vt;

namespace {

QStringList g_events;
QObject* g_watched = nullptr;

void RecordEvent(QAccessibleEvent* event)
{
    if (event->object() != g_watched)
        return;
    QString name;
    switch (event->type()) {
    case QAccessible::ObjectCreated:
        name = QStringLiteral("created");
        break;
    case QAccessible::NameChanged:
        name = QStringLiteral("renamed");
        break;
    case QAccessible::SelectionAdd:
        name = QStringLiteral("selected");
        break;
    case QAccessible::SelectionRemove:
        name = QStringLiteral("unselected");
        break;
    case QAccessible::Focus:
        name = QStringLiteral("focus");
        break;
    case QAccessible::TableModelChanged:
        if (static_cast<QAccessibleTableModelChangeEvent*>(event)->modelChangeType() ==
            QAccessibleTableModelChangeEvent::ModelReset)
            name = QStringLiteral("reset");
        break;
    default:
        break;
    }
    if (name.isEmpty())
        return;
    g_events << (event->child() >= 0 ? name + u' ' + QString::number(event->child()) : name);
}

} // namespace

class QuestionListAccessibleTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QElapsedTimer waited;
        waited.start();
        while (!QAccessible::isActive() && waited.elapsed() < 5000)
            QTest::qWait(20);
        if (!QAccessible::isActive())
            QSKIP("No accessibility bridge is active: run under tests/main/with-accessibility-bus");
        QAccessible::installUpdateHandler(RecordEvent);
    }

    void init()
    {
        m_harness = std::make_unique<WindowHarness>();
        // On a real display the window system activates the window.
        TF* w = m_harness->window.get();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        m_dialogs = ScriptDialogs(*m_harness->window);
        g_watched = m_harness->window->qlist;
        g_events.clear();
    }

    void cleanup()
    {
        g_watched = nullptr;
        m_harness.reset();
    }

    // Each row runs its steps on a new window; the events are those of the
    // last step. "add:T" adds question T, "question:T" types T, "click:i"
    // and "double:i" click line i, "load:A,B" loads a base of those
    // questions, "key:down" presses the arrow key in the list.
    void readsLinesSelectionAndChanges_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("events");

        const QStringList two{QStringLiteral("add:Первый"), QStringLiteral("add:Второй")};
        const QStringList twoLines{QStringLiteral("0. Первый"), QStringLiteral("1. Второй")};
        QTest::newRow("empty") << QStringList{} << QStringList{} << -1 << QStringList{};
        QTest::newRow("add") << two << twoLines << -1 << QStringList{QStringLiteral("created 1")};
        QTest::newRow("double-click")
            << two + QStringList{QStringLiteral("double:1")} << twoLines << 1
            << QStringList{QStringLiteral("focus"), QStringLiteral("focus 1"), QStringLiteral("selected 1")};
        QTest::newRow("arrow key") << two + QStringList{QStringLiteral("click:0"), QStringLiteral("key:down")}
                                   << twoLines << 1
                                   << QStringList{QStringLiteral("unselected 0"),
                                                  QStringLiteral("selected 1"), QStringLiteral("focus 1")};
        QTest::newRow("replace") << two + QStringList{QStringLiteral("double:1"),
                                                      QStringLiteral("question:Иной"), QStringLiteral("add")}
                                 << QStringList{QStringLiteral("0. Первый"), QStringLiteral("1. Иной")} << -1
                                 << QStringList{QStringLiteral("renamed 1"), QStringLiteral("unselected 1")};
        QTest::newRow("load") << two + QStringList{QStringLiteral("load:А,Б,В")}
                              << QStringList{QStringLiteral("0. А"), QStringLiteral("1. Б"),
                                             QStringLiteral("2. В")}
                              << -1 << QStringList{QStringLiteral("reset")};
    }

    void readsLinesSelectionAndChanges()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, lines);
        QFETCH(int, selected);
        QFETCH(QStringList, events);
        for (int i = 0; i < steps.size(); ++i) {
            g_events.clear();
            Run(steps[i]);
        }
        if (steps.isEmpty())
            g_events.clear();
        QVERIFY2(g_events == events, qPrintable(g_events.join(u',')));

        QuestionList* list = m_harness->window->qlist;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list);
        QVERIFY(iface != nullptr);
        QCOMPARE(iface->role(), QAccessible::List);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Questions"));
        QCOMPARE(iface->childCount(), lines.size());
        QAccessibleTableInterface* table = iface->tableInterface();
        QVERIFY(table != nullptr);
        QCOMPARE(table->rowCount(), lines.size());
        QCOMPARE(table->selectedRows(), selected < 0 ? QList<int>{} : QList<int>{selected});
        for (int i = 0; i < lines.size(); ++i) {
            QAccessibleInterface* line = iface->child(i);
            QVERIFY(line != nullptr);
            QCOMPARE(line->role(), QAccessible::ListItem);
            QCOMPARE(line->text(QAccessible::Name), lines[i]);
            QCOMPARE(line->parent(), iface);
            QCOMPARE(iface->indexOfChild(line), i);
            QCOMPARE(table->cellAt(i, 0), line);
            QVERIFY(line->state().selectable);
            QCOMPARE(bool(line->state().selected), i == selected);
            QCOMPARE(bool(line->state().focused), list->hasFocus() && list->currentIndex().row() == i);
            const QRect at = line->rect();
            QCOMPARE(iface->childAt(at.center().x(), at.center().y()), line);
        }
        QVERIFY(iface->child(lines.size()) == nullptr);
    }

    // A base at the format's limit makes no line until one is asked for; a
    // load forgets the lines made so far.
    void makesLinesOnlyWhenAsked()
    {
        TF& w = *m_harness->window;
        for (int k = 0; k < MaxBaseQuestions; ++k)
            w.Base().AppendQuestion({u"1", u"q", u"a", u"b", u" ", u" ", u" ", u"0"});
        QElapsedTimer timer;
        timer.start();
        w.qlist->Lines()->Reset(w.Base().QuestionCount());
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w.qlist);
        QCOMPARE(iface->childCount(), MaxBaseQuestions);
        QAccessibleInterface* last = iface->child(MaxBaseQuestions - 1);
        QCOMPARE(last->text(QAccessible::Name), QStringLiteral("99998. q"));
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(iface->child(MaxBaseQuestions - 1), last);
        const QAccessible::Id id = QAccessible::uniqueId(last);
        w.qlist->Lines()->Reset(1);
        QVERIFY(QAccessible::accessibleInterface(id) == nullptr);
        QCOMPARE(iface->childCount(), 1);
    }

private:
    void Run(const QString& step)
    {
        TF& w = *m_harness->window;
        const QString verb = step.section(u':', 0, 0);
        const QString arg = step.section(u':', 1);
        QWidget* viewport = w.qlist->viewport();
        const auto lineCentre = [&](int i) {
            return w.qlist->visualRect(w.qlist->model()->index(i, 0)).center();
        };
        if (verb == QLatin1String("add") && !arg.isEmpty()) {
            w.edQuestion->setText(arg);
            for (int n = 0; n < AnswerCount; ++n)
                w.AnswerBox(n)->setText(QStringLiteral("ответ"));
            w.btnAddClick();
        } else if (verb == QLatin1String("add")) {
            w.btnAddClick();
        } else if (verb == QLatin1String("question")) {
            w.edQuestion->setText(arg);
        } else if (verb == QLatin1String("click")) {
            QTest::mouseClick(viewport, Qt::LeftButton, {}, lineCentre(arg.toInt()));
        } else if (verb == QLatin1String("double")) {
            // A double-click arrives as press, release and double-click.
            QTest::mousePress(viewport, Qt::LeftButton, {}, lineCentre(arg.toInt()));
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, lineCentre(arg.toInt()));
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, lineCentre(arg.toInt()));
        } else if (verb == QLatin1String("key")) {
            QTest::keyClick(w.qlist, Qt::Key_Down);
        } else if (verb == QLatin1String("load")) {
            QuestionBase base;
            for (const QString& text : arg.split(u','))
                base.AppendRecord({u"1", text.toStdU16String(), {u"а", u"б", u" ", u" ", u" "}, u"0"});
            MemoryOutputStream out;
            WriteBase(base, out);
            const QString path = m_dir.filePath(QStringLiteral("base.dat"));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(reinterpret_cast<const char*>(out.Bytes().data()), qint64(out.Bytes().size()));
            file.close();
            m_dialogs.open->answers = QStringList{path};
            w.btnLoadClick();
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
        }
    }

    std::unique_ptr<WindowHarness> m_harness;
    ScriptedDialogs m_dialogs{};
    QTemporaryDir m_dir;
};

QTEST_MAIN(QuestionListAccessibleTest)
#include "QuestionListAccessibleTest.moc"
