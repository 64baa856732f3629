#pragma once

#include <QLineEdit>

#include <cstdint>
#include <exception>
#include <functional>

class QMenu;

namespace vt {

class TCSpinButton;

/** A numeric entry box holding a signed 32-bit integer as decimal text.
 *
 *  The text is the only state: the value is parsed from it on every read. The
 *  bounds apply when a value is written (SetValue, stepping) and when the
 *  keyboard focus leaves the box, never while the operator types. Equal bounds
 *  (the default 0 and 0) mean no clamping at all. */
class TCSpinEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TCSpinEdit(QWidget* parent = nullptr);
    ~TCSpinEdit() override;

    /** The bounds; writing one never touches the text. */
    std::int32_t MinValue() const { return m_minValue; }
    void SetMinValue(std::int32_t v) { m_minValue = v; }
    std::int32_t MaxValue() const { return m_maxValue; }
    void SetMaxValue(std::int32_t v) { m_maxValue = v; }
    /** The amount one up or down step adds or subtracts (default 1). */
    std::int32_t Increment() const { return m_increment; }
    void SetIncrement(std::int32_t v) { m_increment = v; }
    /** Whether the operator may change the text by typing, pasting or cutting
     *  (default true). Stepping is not affected. */
    bool EditorEnabled() const { return m_editorEnabled; }
    void SetEditorEnabled(bool on) { m_editorEnabled = on; }
    /** Whether focus entry selects the whole text (default true). */
    bool AutoSelect() const { return m_autoSelect; }
    void SetAutoSelect(bool on) { m_autoSelect = on; }

    /** Parses the text. A text that is not a number is replaced by the decimal
     *  form of MinValue (firing OnChange) and MinValue is returned. The result
     *  is not clamped. Rethrows an error raised by that OnChange. */
    std::int32_t GetValue();
    /** The value property: reading it is GetValue. */
    std::int32_t Value() { return GetValue(); }
    /** Writes CheckValue(value) as plain decimal text; an equal text is left
     *  alone and fires nothing. Rethrows an error raised by OnChange. */
    void SetValue(std::int32_t value);
    /** The clamping rule, without side effects: value itself with equal
     *  bounds, else MinValue below it, MaxValue above it, value otherwise. */
    std::int32_t CheckValue(std::int32_t value) const;

    /** One step up (down): beeps on a read-only box; otherwise writes
     *  GetValue() + Increment (- Increment), wrapping around in 32 bits. */
    virtual void UpClick(QObject* sender);
    virtual void DownClick(QObject* sender);
    /** The key filter: the regional decimal separator, "+", "-", digits and
     *  control characters other than Enter; with the editor disabled only
     *  control characters other than Enter and backspace. */
    virtual bool IsValidChar(char16_t c);

    /** The up and down buttons inside the right edge; owned by the box. */
    TCSpinButton* Button() const { return m_button; }

    /** The minimum height for the current font, in pixels. */
    int MinHeight() const;

    /** Fired once for every actual change of the text, sender = this. */
    std::function<void(QObject* sender)> OnChange;

public slots:
    /** Paste and cut of the box itself; refused silently when the editor is
     *  disabled or the box is read-only. */
    void paste();
    void cut();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool EditingRefused() const { return !m_editorEnabled || isReadOnly(); }
    /** Replaces the text; an error raised by OnChange meanwhile is rethrown
     *  here, once Qt has finished the change. */
    void WriteText(const QString& text);
    void RelayChange();
    QMenu* CreateContextMenu();
    void PlaceButton();

    std::int32_t m_minValue = 0;
    std::int32_t m_maxValue = 0;
    std::int32_t m_increment = 1;
    TCSpinButton* m_button = nullptr;
    bool m_editorEnabled = true;
    bool m_autoSelect = true;
    // Set while the focus is away only because the window was deactivated or
    // a popup took it; getting it back is then no new entry.
    bool m_focusOnlyLent = false;
    int m_writeDepth = 0;
    std::exception_ptr m_changeError;
};

} // namespace vt
