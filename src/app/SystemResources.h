#pragma once

#include <QString>

/** Where Debian's fonts-wine puts its Tahoma, outside the font path. */
inline const QString TahomaFile = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");

/** Registers the Tahoma face of `file` with the application when the file
 *  is there, so that the window gets the face its layout was drawn for.
 *  Returns whether the face was registered. Needs the application object. */
bool RegisterTypeface(const QString& file = TahomaFile);
