#pragma once

#include <QColor>
#include <QPixmap>
#include <QStringView>

namespace vt {

/** Loads one of the library's bitmap resources by name, ignoring letter case
 *  ("SpinUp" finds SPINUP). Returns a null pixmap for an unknown name. */
QPixmap LoadBitmapResource(QStringView name);

/** The picture as drawn on a button face: every pixel of the colour of its
 *  bottom-left pixel becomes transparent. */
QPixmap TransparentGlyph(const QPixmap& picture);

/** The face drawn in another ink: every opaque black pixel (the default
 *  glyphs' triangle) becomes `ink`; other pixels stay as they are. */
QPixmap InkedGlyph(const QPixmap& face, const QColor& ink);

} // namespace vt
