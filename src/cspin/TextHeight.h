#pragma once

class QFont;

namespace vt {

/** The text height of a font in pixels, reckoned from the face's own
 *  vertical metrics as the layouts here were drawn: the Windows ascent and
 *  descent of the OS/2 table, each scaled to the font's pixel size and
 *  rounded on its own; the hhea ascender and descender where the face has
 *  no OS/2 table; the toolkit's height where it has neither.
 *
 *  The toolkit's own height can differ: for a face with embedded bitmaps it
 *  takes the bitmap strike's metrics (11 for Tahoma at 11 pixels, where the
 *  face's metrics give 13). */
int TextHeight(const QFont& font);

} // namespace vt
