#include "cspin/TCSpinEdit.h"

#include "cspin/Beep.h"
#include "cspin/TCSpinButton.h"
#include "cspin/TextHeight.h"
#include "text/ErrorReport.h"
#include "text/IntText.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>
#include <memory>
#include <string_view>
#include <utility>

namespace vt {

namespace {

constexpr char16_t kEnter = 0x000D;
constexpr char16_t kBackspace = 0x0008;
constexpr char16_t kFirstPrintable = 0x0020;
// Height of a thin window border in pixels.
constexpr int kThinBorder = 1;
// The button pair's size in a new box, and its distance from the outer right
// and bottom edges of a framed box.
constexpr int kButtonWidth = 15;
constexpr int kButtonHeight = 17;
constexpr int kButtonGap = 5;
// Gap between the text area and the buttons.
constexpr int kTextGap = 2;

std::u16string_view View(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// The regional decimal separator when it is a single code unit, else none.
char16_t DecimalSeparator()
{
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 ? point.at(0).unicode() : char16_t(0);
}

// A focus change that only lends the focus away for a while: another window
// became active, or a popup (the context menu) opened.
bool IsLendingReason(Qt::FocusReason reason)
{
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

// A key combination with Ctrl (but not AltGr, which arrives as Ctrl+Alt on
// some systems) or Meta is a command, not a typed character.
bool IsCommand(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers mods = event.modifiers();
    return (mods & Qt::MetaModifier) || ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier));
}

// Keys that delete text without typing a character.
bool IsDeletion(const QKeyEvent& event)
{
    return event.key() == Qt::Key_Delete || event.matches(QKeySequence::DeleteEndOfWord) ||
           event.matches(QKeySequence::DeleteEndOfLine) || event.matches(QKeySequence::DeleteCompleteLine);
}

} // namespace

TCSpinEdit::TCSpinEdit(QWidget* parent) : QLineEdit(parent)
{
    m_button = new TCSpinButton(this);
    m_button->SetWidth(kButtonWidth);
    m_button->SetHeight(kButtonHeight);
    m_button->setVisible(true);
    m_button->SetFocusControl(this);
    // Through the virtual operations, so a subclass's stepping is used.
    m_button->OnUpClick = [this](QObject* sender) { UpClick(sender); };
    m_button->OnDownClick = [this](QObject* sender) { DownClick(sender); };
    setTextMargins(0, 0, m_button->width() + kTextGap, 0);
    // The toolkit hands the focus to the nearest clickable ancestor of any
    // pressed widget, whatever the pointer button; a press on the buttons
    // would then move the focus here with the right or middle button too.
    // So the box is no click-focus target: a press into its text takes the
    // focus in mousePressEvent, and the buttons hand it over on a left press.
    setFocusPolicy(Qt::TabFocus);

    connect(this, &QLineEdit::textChanged, this, [this] { RelayChange(); });
    setMinimumHeight(MinHeight());
    setText(QStringLiteral("0"));
}

TCSpinEdit::~TCSpinEdit()
{
    // The pair is destroyed with the other children after this body; no
    // resize handling from here on may reach it.
    m_button = nullptr;
}

std::int32_t TCSpinEdit::GetValue()
{
    std::int32_t value = 0;
    if (TryStrToInt(View(text()), value))
        return value;
    WriteText(QString::number(m_minValue));
    return m_minValue;
}

void TCSpinEdit::SetValue(std::int32_t value)
{
    const QString t = QString::number(CheckValue(value));
    if (t != text())
        WriteText(t);
}

std::int32_t TCSpinEdit::CheckValue(std::int32_t value) const
{
    if (m_maxValue == m_minValue)
        return value;
    if (value < m_minValue)
        return m_minValue;
    if (value > m_maxValue)
        return m_maxValue;
    return value;
}

void TCSpinEdit::UpClick(QObject*)
{
    if (isReadOnly()) {
        Beep();
        return;
    }
    // Stepping past the 32-bit range wraps around, then clamps like any value.
    const auto sum = static_cast<std::uint32_t>(GetValue()) + static_cast<std::uint32_t>(m_increment);
    SetValue(static_cast<std::int32_t>(sum));
}

void TCSpinEdit::DownClick(QObject*)
{
    if (isReadOnly()) {
        Beep();
        return;
    }
    const auto diff = static_cast<std::uint32_t>(GetValue()) - static_cast<std::uint32_t>(m_increment);
    SetValue(static_cast<std::int32_t>(diff));
}

bool TCSpinEdit::IsValidChar(char16_t c)
{
    const char16_t separator = DecimalSeparator();
    const bool acceptable = (separator != 0 && c == separator) || c == u'+' || c == u'-' ||
                            (c >= u'0' && c <= u'9') || (c < kFirstPrintable && c != kEnter);
    if (!acceptable)
        return false;
    if (!m_editorEnabled && (c >= kFirstPrintable || c == kBackspace))
        return false;
    return true;
}

int TCSpinEdit::MinHeight() const
{
    const int f = TextHeight(font());
    const int s = TextHeight(QApplication::font());
    return f + std::min(s, f) / 4 + 4 * kThinBorder + 2;
}

void TCSpinEdit::paste()
{
    if (!EditingRefused())
        QLineEdit::paste();
}

void TCSpinEdit::cut()
{
    if (!EditingRefused())
        QLineEdit::cut();
}

void TCSpinEdit::WriteText(const QString& text)
{
    // An error of a change handler cannot travel through QLineEdit; it is kept
    // aside while Qt finishes the change and thrown from here.
    std::exception_ptr outer = std::exchange(m_changeError, nullptr);
    ++m_writeDepth;
    setText(text);
    --m_writeDepth;
    if (std::exception_ptr error = std::exchange(m_changeError, std::move(outer)))
        std::rethrow_exception(error);
}

void TCSpinEdit::RelayChange()
{
    if (!OnChange)
        return;
    try {
        OnChange(this);
    } catch (...) {
        if (m_writeDepth > 0 && !m_changeError)
            m_changeError = std::current_exception();
        else
            ReportError(std::current_exception());
    }
}

void TCSpinEdit::keyPressEvent(QKeyEvent* event)
{
    Guard([&] {
        const int key = event->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            // Every key-down steps, auto-repeat included; the key then goes on.
            if (key == Qt::Key_Up)
                UpClick(this);
            else
                DownClick(this);
            QLineEdit::keyPressEvent(event);
            return;
        }
        if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) {
            if (EditingRefused())
                event->accept();
            else
                QLineEdit::keyPressEvent(event);
            return;
        }
        if (!m_editorEnabled && (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo))) {
            event->accept();
            return;
        }
        if (IsDeletion(*event)) {
            // Delete removes text like backspace does, so it is refused alike.
            if (!m_editorEnabled) {
                Beep();
                event->accept();
                return;
            }
            QLineEdit::keyPressEvent(event);
            return;
        }

        QString typed;
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            typed = QChar(kEnter);
        else if (key == Qt::Key_Backspace)
            typed = QChar(kBackspace);
        else if (!IsCommand(*event))
            typed = event->text();
        for (const QChar c : std::as_const(typed)) {
            if (!IsValidChar(c.unicode())) {
                Beep();
                event->accept();
                return;
            }
        }
        QLineEdit::keyPressEvent(event);
    });
}

void TCSpinEdit::inputMethodEvent(QInputMethodEvent* event)
{
    Guard([&] {
        const QString commit = event->commitString();
        QString accepted;
        for (const QChar c : commit) {
            if (IsValidChar(c.unicode()))
                accepted += c;
        }
        if (accepted.size() == commit.size()) {
            QLineEdit::inputMethodEvent(event);
            return;
        }
        Beep();
        QInputMethodEvent filtered(event->preeditString(), event->attributes());
        filtered.setCommitString(accepted, event->replacementStart(), event->replacementLength());
        QLineEdit::inputMethodEvent(&filtered);
    });
}

void TCSpinEdit::focusInEvent(QFocusEvent* event)
{
    const int caret = cursorPosition();
    QLineEdit::focusInEvent(event);
    Guard([&] {
        const bool returning = m_focusOnlyLent && IsLendingReason(event->reason());
        m_focusOnlyLent = false;
        if (returning)
            return;
        // A click into the text selects all here too, but the press that
        // follows places the caret; a press on a spin button leaves it all.
        if (m_autoSelect)
            selectAll();
        else if (hasSelectedText())
            setCursorPosition(caret); // QLineEdit selects all on Tab by itself
    });
}

void TCSpinEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    Guard([&] {
        if (IsLendingReason(event->reason())) {
            m_focusOnlyLent = true;
            return;
        }
        m_focusOnlyLent = false;
        const std::int32_t value = GetValue();
        if (CheckValue(value) != value)
            SetValue(value);
    });
}

void TCSpinEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    Guard([&] {
        const int minHeight = MinHeight();
        if (height() < minHeight) {
            resize(width(), minHeight);
            return;
        }
        PlaceButton();
    });
}

void TCSpinEdit::PlaceButton()
{
    if (!m_button)
        return;
    // The pair's place is reckoned in the box's client area, the inside of
    // its frame, from the box's outer size; a box without a frame carries it
    // flush with its right edge.
    int x = width() - m_button->width();
    int h = height();
    int inset = 0;
    if (hasFrame()) {
        QStyleOptionFrame option;
        initStyleOption(&option);
        inset = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
        x -= kButtonGap;
        h -= kButtonGap;
    }
    m_button->SetBounds(inset + x, inset, m_button->width(), h);
    setTextMargins(0, 0, m_button->width() + kTextGap, 0);
}

void TCSpinEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ApplicationFontChange)
        setMinimumHeight(MinHeight());
}

QMenu* TCSpinEdit::CreateContextMenu()
{
    // QLineEdit's own menu calls its non-virtual paste and cut directly, so
    // the box builds the same menu over its own operations.
    auto* menu = new QMenu(this);
    auto add = [&](const char* name, const QString& text, QKeySequence::StandardKey key, bool enabled,
                   auto&& run) {
        QString label = text;
        const QKeySequence shortcut(key);
        if (!shortcut.isEmpty())
            label += u'\t' + shortcut.toString(QKeySequence::NativeText);
        QAction* action = menu->addAction(label);
        action->setObjectName(QLatin1String(name));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [run] { Guard(run); });
    };
    const bool editable = !EditingRefused();
    const bool selected = hasSelectedText();
    add("edit-undo", QLineEdit::tr("&Undo"), QKeySequence::Undo, editable && isUndoAvailable(), [this] {
        if (!EditingRefused())
            undo();
    });
    add("edit-redo", QLineEdit::tr("&Redo"), QKeySequence::Redo, editable && isRedoAvailable(), [this] {
        if (!EditingRefused())
            redo();
    });
    menu->addSeparator();
    add("edit-cut", QLineEdit::tr("Cu&t"), QKeySequence::Cut, editable && selected, [this] { cut(); });
    add("edit-copy", QLineEdit::tr("&Copy"), QKeySequence::Copy, selected, [this] { copy(); });
    add("edit-paste", QLineEdit::tr("&Paste"), QKeySequence::Paste,
        editable && !QApplication::clipboard()->text().isEmpty(), [this] { paste(); });
    add("edit-delete", QLineEdit::tr("Delete"), QKeySequence::UnknownKey, editable && selected, [this] {
        if (!EditingRefused())
            del();
    });
    menu->addSeparator();
    add("select-all", QLineEdit::tr("Select All"), QKeySequence::SelectAll,
        !text().isEmpty() && selectedText() != text(), [this] { selectAll(); });
    return menu;
}

void TCSpinEdit::contextMenuEvent(QContextMenuEvent* event)
{
    Guard([&] {
        QMenu* menu = CreateContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(event->globalPos());
    });
}

void TCSpinEdit::mousePressEvent(QMouseEvent* event)
{
    // Any pointer button focuses the box when it presses into the text, as
    // for every other edit box.
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    QLineEdit::mousePressEvent(event);
}

void TCSpinEdit::mouseReleaseEvent(QMouseEvent* event)
{
    // A middle click pastes the selection clipboard where there is one.
    if (event->button() == Qt::MiddleButton && EditingRefused() &&
        QApplication::clipboard()->supportsSelection()) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TCSpinEdit::dragEnterEvent(QDragEnterEvent* event)
{
    if (EditingRefused()) {
        event->ignore();
        return;
    }
    QLineEdit::dragEnterEvent(event);
}

void TCSpinEdit::dragMoveEvent(QDragMoveEvent* event)
{
    if (EditingRefused()) {
        event->ignore();
        return;
    }
    QLineEdit::dragMoveEvent(event);
}

void TCSpinEdit::dropEvent(QDropEvent* event)
{
    if (EditingRefused()) {
        event->ignore();
        return;
    }
    QLineEdit::dropEvent(event);
}

} // namespace vt
