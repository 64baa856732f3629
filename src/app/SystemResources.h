#pragma once

#include <QLocale>
#include <QString>

/** Where Debian's fonts-wine puts its Tahoma, outside the font path. */
inline const QString TahomaFile = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");

/** Registers the Tahoma face of `file` with the application when the file
 *  is there, so that the window gets the face its layout was drawn for.
 *  Returns whether the face was registered. Needs the application object. */
bool RegisterTypeface(const QString& file = TahomaFile);

/** Installs the toolkit's own translations (qtbase_<language>.qm from the
 *  toolkit's translations folder) for `locale`, so that the file dialogs
 *  and the message box buttons speak the user's language. Returns whether a
 *  translation was found; without one the toolkit stays in English. Needs
 *  the application object, which owns the translator. */
bool LoadToolkitTranslations(const QLocale& locale = QLocale::system());
