#include "TCSpinEdit.h"

#include "IntText.h"

TCSpinEdit::TCSpinEdit(QWidget* parent) : QLineEdit(parent)
{
    setText(QStringLiteral("0"));
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (OnChange)
            OnChange(this);
    });
}

std::int32_t TCSpinEdit::GetValue()
{
    const QString t = text();
    std::int32_t v = 0;
    if (TryStrToInt(std::u16string_view(reinterpret_cast<const char16_t*>(t.utf16()), t.size()), v))
        return v;
    setText(QString::number(m_minValue));
    return m_minValue;
}

void TCSpinEdit::SetValue(std::int32_t value)
{
    const QString t = QString::number(CheckValue(value));
    if (t != text())
        setText(t);
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

void TCSpinEdit::UpClick(QObject*) { SetValue(GetValue() + m_increment); }
void TCSpinEdit::DownClick(QObject*) { SetValue(GetValue() - m_increment); }
bool TCSpinEdit::IsValidChar(char16_t) { return true; }
