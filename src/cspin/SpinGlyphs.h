#pragma once

#include <QPixmap>
#include <QStringView>

/** Loads one of the library's bitmap resources by name, ignoring letter case
 *  ("SpinUp" finds SPINUP). Returns a null pixmap for an unknown name. */
QPixmap LoadBitmapResource(QStringView name);

/** The picture as drawn on a button face: every pixel of the colour of its
 *  bottom-left pixel becomes transparent. */
QPixmap TransparentGlyph(const QPixmap& picture);
