#include "cspin/TextHeight.h"

#include <QByteArray>
#include <QFont>
#include <QFontMetrics>
#include <QRawFont>

#include <cmath>

namespace vt {

namespace {

// Offsets of the fields read here, in bytes from the start of their table.
constexpr int Os2WinAscent = 74;  // uint16
constexpr int Os2WinDescent = 76; // uint16
constexpr int HheaAscender = 4;   // int16
constexpr int HheaDescender = 6;  // int16

int Unsigned16(const QByteArray& table, int at)
{
    return (static_cast<unsigned char>(table[at]) << 8) | static_cast<unsigned char>(table[at + 1]);
}

int Signed16(const QByteArray& table, int at)
{
    const int v = Unsigned16(table, at);
    return v >= 0x8000 ? v - 0x10000 : v;
}

} // namespace

int TextHeight(const QFont& font)
{
    const QRawFont raw = QRawFont::fromFont(font);
    if (raw.isValid() && raw.unitsPerEm() > 0) {
        int ascent = -1;
        int descent = -1;
        const QByteArray os2 = raw.fontTable("OS/2");
        const QByteArray hhea = raw.fontTable("hhea");
        if (os2.size() >= Os2WinDescent + 2) {
            ascent = Unsigned16(os2, Os2WinAscent);
            descent = Unsigned16(os2, Os2WinDescent);
        } else if (hhea.size() >= HheaDescender + 2) {
            ascent = Signed16(hhea, HheaAscender);
            descent = -Signed16(hhea, HheaDescender);
        }
        if (ascent >= 0 && descent >= 0) {
            const double scale = raw.pixelSize() / raw.unitsPerEm();
            return static_cast<int>(std::lround(ascent * scale) + std::lround(descent * scale));
        }
    }
    return QFontMetrics(font).height();
}

} // namespace vt
