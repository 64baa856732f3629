#pragma once

#include <QLineEdit>

#include <cstdint>
#include <functional>

/** A numeric entry box holding a signed 32-bit integer as decimal text. */
class TCSpinEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TCSpinEdit(QWidget* parent = nullptr);

    std::int32_t MinValue() const { return m_minValue; }
    void SetMinValue(std::int32_t v) { m_minValue = v; }
    std::int32_t MaxValue() const { return m_maxValue; }
    void SetMaxValue(std::int32_t v) { m_maxValue = v; }
    std::int32_t Increment() const { return m_increment; }
    void SetIncrement(std::int32_t v) { m_increment = v; }
    bool EditorEnabled() const { return m_editorEnabled; }
    void SetEditorEnabled(bool on) { m_editorEnabled = on; }

    std::int32_t GetValue();
    void SetValue(std::int32_t value);
    std::int32_t CheckValue(std::int32_t value) const;

    virtual void UpClick(QObject* sender);
    virtual void DownClick(QObject* sender);
    virtual bool IsValidChar(char16_t c);

    /** Fired once for every actual change of the text, sender = this. */
    std::function<void(QObject* sender)> OnChange;

private:
    std::int32_t m_minValue = 0;
    std::int32_t m_maxValue = 0;
    std::int32_t m_increment = 1;
    bool m_editorEnabled = true;
};
