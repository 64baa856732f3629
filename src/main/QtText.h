#pragma once

#include <QString>

#include <string>
#include <string_view>

// The libraries under the window hold text as UTF-16 standard strings; Qt
// holds it as UTF-16 too, so these conversions only copy code units.

inline QString ToQ(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

inline std::u16string FromQ(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}
