#pragma once

#include "base/QuestionBase.h"
#include "main/EventLog.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>

class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace vt {

class EditorFields;
class FileDialog;
class QuestionList;
class TCSpinEdit;

/** The main window: its controls, the event log and the command handlers. */
class TF : public QWidget
{
    Q_OBJECT
public:
    explicit TF(QWidget* parent = nullptr);
    ~TF() override;

    // Controls, named as in the layout.
    QLineEdit* edQuestion;
    QPushButton* btnAdd;
    QPushButton* btnDebug;
    QGroupBox* gbAnswers;
    QRadioButton* RB0;
    QRadioButton* RB1;
    QRadioButton* RB4;
    QRadioButton* RB2;
    QRadioButton* RB3;
    QLineEdit* edAnswer0;
    QLineEdit* edAnswer1;
    QLineEdit* edAnswer2;
    QLineEdit* edAnswer3;
    QLineEdit* edAnswer4;
    QPushButton* btnSave;
    QPushButton* btnLoad;
    TCSpinEdit* edRound;
    QPlainTextEdit* mLog;
    std::unique_ptr<FileDialog> OpenDialog;
    std::unique_ptr<FileDialog> SaveDialog;
    QuestionList* qlist;

    // Event handlers. Each runs under the error guard when the toolkit calls it.
    void btnAddClick();
    void btnSaveClick();
    void btnLoadClick();
    void btnDebugClick();
    void FormCreate();
    void qlistDblClick();
    void edRoundChange();

    /** Appends "[" + local time in the long time format + "] " + message. */
    void LogEvent(const std::u16string& message);
    /** Empties the question box and the five answer boxes, in that order. */
    void ClearQuestionFields();

    QuestionBase& Base() { return *m_base; }
    EditorFields& Fields() { return *m_fields; }
    /** Answer box n and radio button n, n = 0 to 4. */
    QLineEdit* AnswerBox(int n) const { return m_answerBoxes[static_cast<std::size_t>(n)]; }
    QRadioButton* AnswerRadio(int n) const { return m_radios[static_cast<std::size_t>(n)]; }

    /** The layout's scale: the font's text height over 13 (1 at 96 dpi with
     *  an 11-pixel font 13 pixels high). */
    double LayoutScale() const { return m_scale; }

    // Where the log reads its time and regional settings; tests replace them.
    void SetClock(std::function<QTime()> clock) { m_clock = std::move(clock); }
    void SetLocaleSource(std::function<QLocale()> source);
    const LongTimeFormat& TimeFormat() const { return m_timeFormat; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void BuildControls();
    void ConnectHandlers();
    void SetTabOrder();
    void RereadTimeFormat();
    void UpdateRadioTabStops();
    QRect Scaled(int left, int top, int width, int height) const;

    double m_scale = 1.0;
    std::array<QLineEdit*, AnswerCount> m_answerBoxes{};
    std::array<QRadioButton*, AnswerCount> m_radios{};
    std::unique_ptr<QuestionBase> m_base;
    std::unique_ptr<EditorFields> m_fields;
    std::function<QTime()> m_clock;
    std::function<QLocale()> m_localeSource;
    LongTimeFormat m_timeFormat;
};

/** A layout rectangle at the given scale: its left, top, right and bottom
 *  edges each multiplied and rounded to the nearest pixel. */
QRect ScaleLayoutRect(const QRect& rect, double scale);

/** The one main window of the process; set as soon as its construction starts. */
extern TF* F;

} // namespace vt
