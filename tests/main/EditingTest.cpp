// The editing commands on the real window, driven by clicks and keys.
#include "cspin/TCSpinEdit.h"
#include "main/EditorFields.h"
#include "main/QuestionList.h"
#include "main/TF.h"
#include "tests/main/WindowHarness.h"
#include "text/Error.h"
#include "text/ErrorReport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace vt;

class EditingTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_harness = std::make_unique<WindowHarness>();
        QVERIFY(m_harness->ShowActive());
    }

    void cleanup()
    {
        m_harness.reset();
    }

    void roundSelectorEnablesTheAnswersOfTheRound()
    {
        TF& w = *m_harness->window;
        const int enabledFor[] = {0, 2, 3, 4, 5, 5};
        for (int round : {1, 2, 3, 4, 5, 3, 1}) {
            TypeRound(QString::number(round));
            for (int n = 0; n < 5; ++n) {
                QCOMPARE(w.AnswerBox(n)->isEnabled(), n < enabledFor[round]);
                QCOMPARE(w.AnswerRadio(n)->isEnabled(), n < enabledFor[round]);
            }
        }
    }

    void addThreeReopenTheSecondAndReplaceIt()
    {
        TF& w = *m_harness->window;
        TypeRound(QStringLiteral("2"));
        AddByKeyboard(QStringLiteral("First"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}, 1);
        TypeRound(QStringLiteral("5"));
        AddByKeyboard(QStringLiteral("Second"),
                      {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d"),
                       QStringLiteral("e")},
                      4);
        TypeRound(QStringLiteral("1"));
        AddByKeyboard(QStringLiteral("Third"), {QStringLiteral("x"), QStringLiteral("y")}, 0);
        QVERIFY(m_harness->errors.isEmpty());

        QCOMPARE(w.qlist->Lines()->Count(), 3);
        QCOMPARE(w.qlist->Lines()->Line(0), QStringLiteral("0. First"));
        QCOMPARE(w.qlist->Lines()->Line(2), QStringLiteral("2. Third"));
        QCOMPARE(w.Base().EntryCount(), 24);
        const std::u16string first[] = {u"2", u"First", u"a", u"b", u"c", u" ", u" ", u"1"};
        for (int n = 0; n < 8; ++n)
            QCOMPARE(w.Base().Entry(n), first[n]);
        QCOMPARE(w.Base().Entry(15), u"4");
        QCOMPARE(w.Base().Entry(20), u" ");
        QVERIFY(LogLine(-1).endsWith(QStringLiteral("] Вопрос 'Third' успешно внесен в базу")));
        QCOMPARE(w.edQuestion->text(), QString());
        QCOMPARE(w.edRound->text(), QStringLiteral("1"));
        QVERIFY(w.RB0->isChecked());

        // A repeat is refused.
        AddByKeyboard(QStringLiteral("First"), {QStringLiteral("p"), QStringLiteral("q")}, 0);
        QVERIFY(LogLine(-1).endsWith(
            QStringLiteral("] Неудачно: вопрос уже есть в базе! Попробуйте открыть его для редактирования")));
        QCOMPARE(w.Base().QuestionCount(), 3);

        // Reopen the second question: the round comes first, then the texts.
        DoubleClickLine(1);
        QCOMPARE(w.edRound->text(), QStringLiteral("5"));
        QCOMPARE(w.edQuestion->text(), QStringLiteral("Second"));
        QCOMPARE(w.edAnswer4->text(), QStringLiteral("e"));
        QVERIFY(w.edAnswer4->isEnabled());
        QVERIFY(w.RB4->isChecked());
        QCOMPARE(w.qlist->SelectedLine(), 1);
        QVERIFY(LogLine(-1).endsWith(QStringLiteral("] Вопрос загружен для редактирования")));

        w.edQuestion->selectAll();
        QTest::keyClicks(w.edQuestion, QStringLiteral("Second, mended"));
        QTest::mouseClick(w.btnAdd, Qt::LeftButton);
        QCOMPARE(w.qlist->Lines()->Line(1), QStringLiteral("1. Second, mended"));
        QCOMPARE(w.Base().Entry(9), u"Second, mended");
        QCOMPARE(w.Base().QuestionCount(), 3);
        QCOMPARE(w.qlist->SelectedLine(), -1);
        QVERIFY(LogLine(-1).endsWith(QStringLiteral("] Вопрос №1 успешно отредактирован")));
        QCOMPARE(w.edQuestion->text(), QString());
        QVERIFY(m_harness->errors.isEmpty());
    }

    void singleClickThenAddReplacesThatLine()
    {
        TF& w = *m_harness->window;
        TypeRound(QStringLiteral("1"));
        AddByKeyboard(QStringLiteral("One"), {QStringLiteral("a"), QStringLiteral("b")}, 0);
        AddByKeyboard(QStringLiteral("Two"), {QStringLiteral("a"), QStringLiteral("b")}, 1);
        QTest::mouseClick(w.qlist->viewport(), Qt::LeftButton, {}, LineCenter(0));
        QCOMPARE(w.qlist->SelectedLine(), 0);
        QSignalSpy changed(w.qlist->Lines(), &QAbstractItemModel::dataChanged);
        AddByKeyboard(QStringLiteral("Two"), {QStringLiteral("c"), QStringLiteral("d")}, 1);
        QCOMPARE(w.qlist->Lines()->Line(0), QStringLiteral("0. Two"));
        // The list repaints the replaced line only when its model announces it.
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 0);
        QCOMPARE(w.Base().Entry(2), u"c");
        QCOMPARE(w.Base().QuestionCount(), 2);
    }

    void replacedLineIsAnnouncedToTheView()
    {
        TF& w = *m_harness->window;
        TypeRound(QStringLiteral("1"));
        AddByKeyboard(QStringLiteral("One"), {QStringLiteral("a"), QStringLiteral("b")}, 0);
        AddByKeyboard(QStringLiteral("Two"), {QStringLiteral("a"), QStringLiteral("b")}, 1);
        QSignalSpy changed(w.qlist->Lines(), &QAbstractItemModel::dataChanged);
        QTest::mouseClick(w.qlist->viewport(), Qt::LeftButton, {}, LineCenter(1));
        AddByKeyboard(QStringLiteral("Two, mended"), {QStringLiteral("c"), QStringLiteral("d")}, 1);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().at(0).value<QModelIndex>().row(), 1);
        QCOMPARE(w.qlist->model()->data(w.qlist->model()->index(1, 0)).toString(),
                 QStringLiteral("1. Two, mended"));
    }

    void storedRoundSevenShowsAsFive()
    {
        TF& w = *m_harness->window;
        w.Base().AppendRecord({u"7", u"From a file", {u"a", u"b", u"c", u"d", u"e"}, u"2"});
        w.Fields().AppendLine(u"0. From a file");
        TypeRound(QStringLiteral("1"));
        DoubleClickLine(0);
        QCOMPARE(w.edRound->text(), QStringLiteral("5"));
        QVERIFY(w.edAnswer4->isEnabled());
        QVERIFY(w.RB2->isChecked());
        QTest::mouseClick(w.btnAdd, Qt::LeftButton);
        QCOMPARE(w.Base().Entry(0), u"5");
    }

    void doubleClickWithNothingSelectedIsReportedAndTheWindowGoesOn()
    {
        TF& w = *m_harness->window;
        const QString log = w.mLog->toPlainText();
        QTest::mouseDClick(w.qlist->viewport(), Qt::LeftButton, {}, QPoint(20, 200));
        QCOMPARE(m_harness->errors.size(), 1);
        QCOMPARE(m_harness->errors.first(), u"List index out of bounds (-1)");
        QCOMPARE(w.mLog->toPlainText(), log);
        QVERIFY(QWidget::mouseGrabber() == nullptr);

        TypeRound(QStringLiteral("1"));
        AddByKeyboard(QStringLiteral("Still works"), {QStringLiteral("a"), QStringLiteral("b")}, 0);
        QCOMPARE(w.qlist->Lines()->Count(), 1);
        QCOMPARE(m_harness->errors.size(), 1);
    }

    void incompleteFieldsAreRefused()
    {
        TF& w = *m_harness->window;
        TypeRound(QStringLiteral("4"));
        AddByKeyboard(QStringLiteral("Q"), {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}, 0);
        QVERIFY(LogLine(-1).endsWith(QStringLiteral("] Пожалуйста, заполните все поля")));
        QCOMPARE(w.Base().EntryCount(), 0);
        QCOMPARE(w.edQuestion->text(), QStringLiteral("Q"));
    }

private:
    void TypeRound(const QString& text)
    {
        TF& w = *m_harness->window;
        w.edRound->setFocus();
        w.edRound->selectAll();
        QTest::keyClicks(w.edRound, text);
        QTest::keyClick(w.edRound, Qt::Key_Tab);
    }

    void AddByKeyboard(const QString& question, const QStringList& answers, int correct)
    {
        TF& w = *m_harness->window;
        w.edQuestion->clear();
        QTest::keyClicks(w.edQuestion, question);
        for (int n = 0; n < answers.size(); ++n) {
            w.AnswerBox(n)->clear();
            QTest::keyClicks(w.AnswerBox(n), answers[n]);
        }
        QTest::mouseClick(w.AnswerRadio(correct), Qt::LeftButton, {}, QPoint(7, 8));
        QVERIFY(w.AnswerRadio(correct)->isChecked());
        QTest::mouseClick(w.btnAdd, Qt::LeftButton);
    }

    QPoint LineCenter(int row) const
    {
        return m_harness->window->qlist->visualRect(m_harness->window->qlist->model()->index(row, 0)).center();
    }

    void DoubleClickLine(int row)
    {
        QWidget* viewport = m_harness->window->qlist->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, LineCenter(row));
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, LineCenter(row));
    }

    QString LogLine(int i) const
    {
        const QStringList lines = m_harness->window->mLog->toPlainText().split(u'\n');
        return lines.value(i < 0 ? lines.size() + i : i);
    }

    std::unique_ptr<WindowHarness> m_harness;
};

QTEST_MAIN(EditingTest)
#include "EditingTest.moc"
