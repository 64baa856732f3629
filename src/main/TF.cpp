#include "main/TF.h"

#include "base/BaseFormat.h"
#include "cspin/TCSpinEdit.h"
#include "cspin/TextHeight.h"
#include "main/EditorCommands.h"
#include "main/FileDialog.h"
#include "main/FrameCache.h"
#include "main/LogMessages.h"
#include "main/QtText.h"
#include "main/QuestionList.h"
#include "main/SteadyScrollBar.h"
#include "main/WindowFields.h"
#include "tables/FileFormats.h"
#include "text/ErrorReport.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>

#include <cmath>

namespace vt {

TF* F = nullptr;

namespace {

// The layout is drawn for an 11-pixel font whose text is 13 pixels high.
constexpr int DesignTextHeight = 13;
constexpr int DesignFontPixels = 11;
constexpr int ClientWidth = 866;
constexpr int ClientHeight = 465;

QString Caption()
{
    return QStringLiteral("Редактор баз вопросов для игры \"Верталина\"");
}

// Where the designed face is missing, a wider one stands in for it and a
// caption may not fit its button; it then gets a smaller size of the same
// face instead of being cut at both ends. The room is the inside of the
// button's frame, where a caption is drawn and seen whole: a native style's
// content margins (Windows keeps several pixels each side) would shrink
// captions that the design fits.
int CaptionRoom(const QPushButton* button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    return button->width() - 2 * button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button);
}

void FitCaption(QPushButton* button)
{
    const int room = CaptionRoom(button);
    QFont font = button->font();
    while (font.pixelSize() > 1 && QFontMetrics(font).horizontalAdvance(button->text()) > room)
        font.setPixelSize(font.pixelSize() - 1);
    if (font != button->font())
        button->setFont(font);
}

} // namespace

TF::TF(QWidget* parent) : QWidget(parent)
{
    F = this;
    setObjectName(QStringLiteral("F"));
    setWindowTitle(Caption());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    // Tahoma where the system or the application has it; otherwise the
    // toolkit picks its nearest sans-serif face. The pixel size follows the
    // screen's resolution.
    QFont font(QStringLiteral("Tahoma"));
    font.setStyleHint(QFont::SansSerif);
    const double dpi = logicalDpiY() > 0 ? logicalDpiY() : 96.0;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(DesignFontPixels * dpi / 96.0))));
    font.setBold(false);
    font.setItalic(false);
    setFont(font);
    // The layout is drawn left to right, whatever language the toolkit's own
    // dialogs speak.
    setLayoutDirection(Qt::LeftToRight);
    // The height from the face's own metrics: Tahoma's bitmap strike would
    // make the toolkit report 11 and shrink the whole layout.
    const int textHeight = TextHeight(font);
    if (textHeight != DesignTextHeight)
        m_scale = static_cast<double>(textHeight) / DesignTextHeight;

    BuildControls();
    m_base = std::make_unique<QuestionBase>();
    qlist->Lines()->SetBase(m_base.get());
    m_fields = std::make_unique<WindowFields>(*this);
    m_clock = [] { return QTime::currentTime(); };
    m_localeSource = [] { return QLocale::system(); };
    RereadTimeFormat();
    ConnectHandlers();
    SetTabOrder();

    Guard([this] { FormCreate(); });
    edRound->setFocus(Qt::OtherFocusReason);
}

TF::~TF()
{
    if (F == this)
        F = nullptr;
    // The base goes before the child widgets: the list must not read it then.
    qlist->Lines()->SetBase(nullptr);
}

QRect ScaleLayoutRect(const QRect& rect, double scale)
{
    if (scale == 1.0)
        return rect;
    // Each edge is scaled and rounded on its own, so neighbours stay flush.
    const auto s = [scale](int v) { return static_cast<int>(std::lround(v * scale)); };
    const int l = s(rect.x()), t = s(rect.y()), r = s(rect.x() + rect.width()),
              b = s(rect.y() + rect.height());
    return QRect(l, t, r - l, b - t);
}

QRect TF::Scaled(int left, int top, int width, int height) const
{
    return ScaleLayoutRect(QRect(left, top, width, height), m_scale);
}

void TF::BuildControls()
{
    resize(Scaled(0, 0, ClientWidth, ClientHeight).size());

    const auto place = [this](QWidget* w, const char* name, int l, int t, int wd, int ht) {
        w->setObjectName(QString::fromLatin1(name));
        w->setGeometry(Scaled(l, t, wd, ht));
    };

    edQuestion = new QLineEdit(QStringLiteral("edQuestion"), this);
    place(edQuestion, "edQuestion", 55, 8, 482, 21);
    edQuestion->setMaxLength(static_cast<int>(QuestionWidth));

    btnAdd = new QPushButton(QStringLiteral("Add Question"), this);
    place(btnAdd, "btnAdd", 8, 184, 75, 26);
    btnDebug = new QPushButton(QStringLiteral("Show Questions of Base"), this);
    place(btnDebug, "btnDebug", 89, 184, 128, 26);
    btnDebug->setVisible(false);

    gbAnswers = new QGroupBox(QStringLiteral("Answers"), this);
    place(gbAnswers, "gbAnswers", 8, 36, 529, 142);
    gbAnswers->setFocusPolicy(Qt::NoFocus);
    FrameCache::Install(gbAnswers);

    // Declaration order of the radio buttons is 0, 1, 4, 2, 3.
    const int radioOrder[] = {0, 1, 4, 2, 3};
    for (int n : radioOrder) {
        auto* rb = new QRadioButton(QStringLiteral("RB0"), gbAnswers);
        place(rb, qPrintable(QStringLiteral("RB%1").arg(n)), 16, 20 + 23 * n, 14, 17);
        m_radios[static_cast<std::size_t>(n)] = rb;
    }
    RB0 = m_radios[0];
    RB1 = m_radios[1];
    RB2 = m_radios[2];
    RB3 = m_radios[3];
    RB4 = m_radios[4];
    RB0->setChecked(true);

    for (int n = 0; n < AnswerCount; ++n) {
        const QString name = QStringLiteral("edAnswer%1").arg(n);
        auto* box = new QLineEdit(name, gbAnswers);
        place(box, qPrintable(name), 36, 18 + 23 * n, 477, 21);
        box->setMaxLength(static_cast<int>(AnswerWidth));
        m_answerBoxes[static_cast<std::size_t>(n)] = box;
    }
    edAnswer0 = m_answerBoxes[0];
    edAnswer1 = m_answerBoxes[1];
    edAnswer2 = m_answerBoxes[2];
    edAnswer3 = m_answerBoxes[3];
    edAnswer4 = m_answerBoxes[4];

    btnSave = new QPushButton(QStringLiteral("Save Base"), this);
    place(btnSave, "btnSave", 462, 184, 75, 26);
    btnLoad = new QPushButton(QStringLiteral("Load Base"), this);
    place(btnLoad, "btnLoad", 381, 184, 75, 26);

    edRound = new TCSpinEdit(this);
    place(edRound, "edRound", 8, 8, 41, 22);
    edRound->SetMaxValue(RoundCount);
    edRound->SetMinValue(1);
    edRound->SetValue(4);

    mLog = new QPlainTextEdit(this);
    place(mLog, "mLog", 8, 216, 529, 241);
    mLog->setPlainText(QStringLiteral("Memo1"));
    mLog->setReadOnly(true);
    mLog->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    mLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    mLog->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    mLog->setTabChangesFocus(true);
    mLog->setUndoRedoEnabled(false);
    // Each log line moves the scroll bar's range, seldom its slider.
    mLog->setVerticalScrollBar(new SteadyScrollBar(Qt::Vertical));

    // Bases first, so that both dialogs propose them; tables are read and
    // written by the file's extension, whichever type is shown.
    QStringList loadFilters;
    QStringList saveFilters;
    for (const FileFormat& format : FileFormats()) {
        loadFilters << QString::fromUtf8(format.loadFilter);
        saveFilters << QString::fromUtf8(format.saveFilter);
    }
    OpenDialog = std::make_unique<StandardFileDialog>(this, StandardFileDialog::Kind::Open, loadFilters);
    SaveDialog = std::make_unique<StandardFileDialog>(this, StandardFileDialog::Kind::Save, saveFilters);

    qlist = new QuestionList(this);
    place(qlist, "qlist", 552, 8, 305, 449);
    // The lines are as high as the layout's text, scaled with it.
    qlist->SetLineHeight(Scaled(0, 0, 0, DesignTextHeight).height());

    for (auto* button : {btnAdd, btnDebug, btnLoad, btnSave}) {
        button->setAutoDefault(false);
        button->setDefault(false);
        FitCaption(button);
    }

    // Names and descriptions for screen readers; the visible texts stay as
    // designed, so the radio buttons' "RB0" captions are not what is read.
    const auto describe = [](QWidget* w, const QString& name, const QString& description) {
        w->setAccessibleName(name);
        w->setAccessibleDescription(description);
    };
    describe(edRound, QStringLiteral("Round"), QStringLiteral("The round of the question, 1 to 5"));
    describe(edQuestion, QStringLiteral("Question"), QStringLiteral("The text of the question"));
    describe(gbAnswers, QStringLiteral("Answers"),
             QStringLiteral("The answers and the mark of the correct one"));
    for (int n = 0; n < 5; ++n) {
        const QString number = QString::number(n + 1);
        describe(m_answerBoxes[static_cast<std::size_t>(n)], QStringLiteral("Answer ") + number,
                 QStringLiteral("The text of answer ") + number);
        describe(m_radios[static_cast<std::size_t>(n)], QStringLiteral("Correct answer ") + number,
                 QStringLiteral("Marks answer ") + number + QStringLiteral(" as the correct one"));
    }
    describe(btnAdd, btnAdd->text(),
             QStringLiteral("Adds the question to the base, or replaces the reopened one"));
    describe(btnDebug, btnDebug->text(), QStringLiteral("Has no effect"));
    describe(btnLoad, btnLoad->text(), QStringLiteral("Replaces the questions with those of a base file"));
    describe(btnSave, btnSave->text(), QStringLiteral("Saves the questions to a base file"));
    describe(mLog, QStringLiteral("Event log"),
             QStringLiteral("What the editor has done, the newest line last"));
    describe(qlist, QStringLiteral("Questions"),
             QStringLiteral("The questions of the base; a double click reopens one"));
}

void TF::ConnectHandlers()
{
    connect(btnAdd, &QPushButton::clicked, this, [this] { Guard([this] { btnAddClick(); }); });
    connect(btnDebug, &QPushButton::clicked, this, [this] { Guard([this] { btnDebugClick(); }); });
    connect(btnLoad, &QPushButton::clicked, this, [this] { Guard([this] { btnLoadClick(); }); });
    connect(btnSave, &QPushButton::clicked, this, [this] { Guard([this] { btnSaveClick(); }); });
    connect(qlist, &QuestionList::DblClick, this, [this] { Guard([this] { qlistDblClick(); }); });
    edRound->OnChange = [this](QObject*) { Guard([this] { edRoundChange(); }); };
    for (auto* rb : m_radios)
        connect(rb, &QRadioButton::toggled, this, [this] { UpdateRadioTabStops(); });
    UpdateRadioTabStops();
}

void TF::UpdateRadioTabStops()
{
    // Of the radio buttons only the checked one is reached by Tab.
    for (auto* rb : m_radios)
        rb->setFocusPolicy(rb->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

void TF::SetTabOrder()
{
    QWidget* order[] = {edRound,   edQuestion, edAnswer0, edAnswer1, edAnswer2, edAnswer3,
                        edAnswer4, RB0,        RB1,       RB4,       RB2,       RB3,
                        btnAdd,    btnDebug,   btnLoad,   btnSave,   mLog,      qlist};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void TF::FormCreate()
{
    mLog->clear();
    ClearQuestionFields();
    LogEvent(LogMessages::StartedOk);
    btnDebug->setVisible(true);
    LogEvent(LogMessages::AdminMode);
}

void TF::ClearQuestionFields()
{
    edQuestion->clear();
    for (auto* box : m_answerBoxes)
        box->clear();
}

void TF::LogEvent(const std::u16string& message)
{
    const QString line = u'[' + FormatLogTime(m_clock(), m_timeFormat) + QStringLiteral("] ") + ToQ(message);
    const SteadyScrollBar::Batch batch(mLog->verticalScrollBar());
    mLog->appendPlainText(line);
    QTextCursor end = mLog->textCursor();
    end.movePosition(QTextCursor::End);
    mLog->setTextCursor(end);
    mLog->ensureCursorVisible();
}

void TF::SetLocaleSource(std::function<QLocale()> source)
{
    m_localeSource = std::move(source);
    RereadTimeFormat();
}

void TF::RereadTimeFormat()
{
    m_timeFormat = LongTimeFormatOf(m_localeSource());
}

void TF::changeEvent(QEvent* event)
{
    // The regional settings are read again whenever they change.
    if (event->type() == QEvent::LocaleChange)
        Guard([this] { RereadTimeFormat(); });
    QWidget::changeEvent(event);
}

void TF::btnAddClick()
{
    Commands::btnAddClick(*m_fields, *m_base);
}

void TF::qlistDblClick()
{
    Commands::qlistDblClick(*m_fields, *m_base);
}

void TF::edRoundChange()
{
    Commands::edRoundChange(*m_fields);
}

void TF::btnDebugClick()
{
    // Deliberately does nothing.
}

void TF::btnLoadClick()
{
    Commands::btnLoadClick(*m_fields, *m_base, *OpenDialog, *SaveDialog);
}

void TF::btnSaveClick()
{
    Commands::btnSaveClick(*m_fields, *m_base, *SaveDialog);
}

} // namespace vt
