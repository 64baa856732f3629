#include "cspin/SpinGlyphs.h"

#include <QColor>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>

// The resources of a static library have to be registered by hand, outside
// any namespace.
static void RegisterSpinResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(cspin);
        return true;
    }();
    (void)registered;
}

namespace vt {

QPixmap LoadBitmapResource(QStringView name)
{
    RegisterSpinResources();
    QDirIterator it(QStringLiteral(":/cspin"));
    while (it.hasNext()) {
        const QString path = it.next();
        if (QFileInfo(path).fileName().compare(name, Qt::CaseInsensitive) == 0)
            return QPixmap::fromImage(QImage(path, "BMP"));
    }
    return {};
}

QPixmap TransparentGlyph(const QPixmap& picture)
{
    if (picture.isNull())
        return picture;
    QImage image = picture.toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb background = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == background)
                line[x] = qRgba(0, 0, 0, 0);
        }
    }
    return QPixmap::fromImage(image);
}

QPixmap InkedGlyph(const QPixmap& face, const QColor& ink)
{
    const QRgb black = qRgb(0, 0, 0);
    if (face.isNull() || ink.rgba() == black)
        return face;
    QImage image = face.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] == black)
                line[x] = ink.rgba();
        }
    }
    return QPixmap::fromImage(image);
}

} // namespace vt
