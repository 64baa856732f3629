#pragma once

#include <QFile>
#include <QString>

#include "text/Utf.h"

#include <string>
#include <string_view>

// Where the editor's Qt meets the core: texts are UTF-16 on both sides, so
// these conversions copy code units and never look for byte-order marks;
// paths become the file system's bytes (UTF-8 on Windows). The one definition
// of each; no other file converts between the two.

namespace vt {

inline QString ToQ(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}

inline std::u16string FromQ(QStringView text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size()));
}

/** The path's bytes; a byte kept by FromPathBytes comes back as it was. */
inline std::string PathOf(const QString& path)
{
#ifdef Q_OS_WIN
    // The Windows file layer takes UTF-8 and opens the UTF-16 name; the
    // ANSI code page of encodeName() would lose every letter outside it.
    return path.toStdString();
#else
    return ToPathBytes(FromQ(path));
#endif
}

} // namespace vt
