#pragma once

#include <QLocale>
#include <QString>

namespace vt {

#ifdef Q_OS_WIN
/** On Windows Tahoma is a system font: no file is registered. */
inline const QString TahomaFile;
#else
/** Where Debian's fonts-wine puts its Tahoma, outside the font path. */
inline const QString TahomaFile = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
#endif

/** Registers the Tahoma face of `file` with the application when the file
 *  is there, so that the window gets the face its layout was drawn for.
 *  Returns whether the face was registered (never for an empty `file`).
 *  Needs the application object. */
bool RegisterTypeface(const QString& file = TahomaFile);

/** The folder of the toolkit's translations: on Windows "translations"
 *  beside the program, which ships them; elsewhere the toolkit's own. */
QString ToolkitTranslationsFolder();

/** Installs the toolkit's own translations (qtbase_<language>.qm from
 *  ToolkitTranslationsFolder()) for `locale`, so that the file dialogs
 *  and the message box buttons speak the user's language. Returns whether a
 *  translation was found; without one the toolkit stays in English. Needs
 *  the application object, which owns the translator. */
bool LoadToolkitTranslations(const QLocale& locale = QLocale::system());

} // namespace vt
