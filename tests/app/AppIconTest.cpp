#include "app/AppIcon.h"

#include <QFile>
#include <QImage>
#include <QStringList>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <set>
#include <tuple>

using namespace vt;

namespace {

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString AppFile(const QString& name)
{
    return QStringLiteral(VT_APP_DIR "/") + name;
}

quint16 Word(const QByteArray& data, qsizetype at)
{
    return qFromLittleEndian<quint16>(data.constData() + at);
}

quint32 Dword(const QByteArray& data, qsizetype at)
{
    return qFromLittleEndian<quint32>(data.constData() + at);
}

const QByteArray PngSignature("\x89PNG\r\n\x1a\n", 8);

} // namespace

class AppIconTest : public QObject
{
    Q_OBJECT

private slots:
    void IconHasEveryImageSize();
    void DesktopFilesUseTheDesktopFileId();
    void WindowsIconGroupHoldsFifteenImages();
};

void AppIconTest::IconHasEveryImageSize()
{
    const QIcon icon = AppIcon();
    QVERIFY(!icon.isNull());
    const QList<QSize> available = icon.availableSizes();
    for (int size : AppIconSizes) {
        const QSize square(size, size);
        QVERIFY2(available.contains(square), qPrintable(QString::number(size)));
        const QImage image = icon.pixmap(square).toImage();
        QCOMPARE(image.size(), square);
        QVERIFY(image.hasAlphaChannel());
        // The rounded tile leaves the corners transparent and fills the middle.
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
    }
    QCOMPARE(available.size(), qsizetype(std::size(AppIconSizes)));
}

void AppIconTest::DesktopFilesUseTheDesktopFileId()
{
    QCOMPARE(QString::fromLatin1(DesktopFileId), QStringLiteral(VT_DESKTOP_ID));

    QStringList sizes;
    for (int size : AppIconSizes)
        sizes << QString::number(size);
    QCOMPARE(sizes.join(u','), QStringLiteral(VT_ICON_SIZES));

    const QString id = QString::fromLatin1(DesktopFileId);
    const QByteArray desktop = ReadFile(AppFile(id + ".desktop"));
    QVERIFY(!desktop.isEmpty());
    QVERIFY(desktop.contains("\nIcon=" + id.toLatin1() + "\n"));
    // The editor reads no command line, so the entry passes no file to it.
    QVERIFY(desktop.contains("\nExec=vertalina-editor\n"));

    const QByteArray metainfo = ReadFile(AppFile(id + ".metainfo.xml"));
    QVERIFY(metainfo.contains("<id>" + id.toLatin1() + "</id>"));
    QVERIFY(metainfo.contains(">" + id.toLatin1() + ".desktop</launchable>"));

    QVERIFY(QFile::exists(AppFile("icons/" + id + ".svg")));
}

// Windows picks the image for each place from the icon group by size and
// colour depth: 16, 24, 32 and 48 px in 4, 8 and 32 bits per pixel, and the
// 256 px images as PNG, all with transparency.
void AppIconTest::WindowsIconGroupHoldsFifteenImages()
{
    const QByteArray ico = ReadFile(AppFile("icons/" + QString::fromLatin1(DesktopFileId) + ".ico"));
    QVERIFY(ico.size() > 6);
    QCOMPARE(Word(ico, 0), quint16(0)); // reserved
    QCOMPARE(Word(ico, 2), quint16(1)); // an icon, not a cursor
    const int count = Word(ico, 4);
    QCOMPARE(count, 15);
    QVERIFY(ico.size() >= 6 + 16 * count);

    std::set<std::tuple<int, int>> bitmaps; // (size, bits per pixel)
    std::set<std::tuple<int, int>> pngs;    // (bit depth, colour type)
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = 6 + 16 * i;
        const int width = quint8(ico[entry]) == 0 ? 256 : quint8(ico[entry]);
        const int height = quint8(ico[entry + 1]) == 0 ? 256 : quint8(ico[entry + 1]);
        const quint32 length = Dword(ico, entry + 8);
        const quint32 offset = Dword(ico, entry + 12);
        QCOMPARE(width, height);
        QVERIFY(offset + quint64(length) <= quint64(ico.size()));
        const QByteArray data = ico.mid(offset, length);

        if (data.startsWith(PngSignature)) {
            QCOMPARE(width, 256);
            const QImage image = QImage::fromData(data, "PNG");
            QCOMPARE(image.size(), QSize(256, 256));
            QVERIFY(image.hasAlphaChannel());
            pngs.emplace(quint8(data[24]), quint8(data[25])); // from the IHDR chunk
        } else {
            QVERIFY(width <= 48);
            QVERIFY(data.size() >= 40);
            QCOMPARE(Dword(data, 0), quint32(40)); // BITMAPINFOHEADER
            QCOMPARE(int(Dword(data, 4)), width);
            QCOMPARE(int(Dword(data, 8)), 2 * height); // colour image and transparency mask
            bitmaps.emplace(width, Word(data, 14));
        }
    }

    std::set<std::tuple<int, int>> expected;
    for (int size : {16, 24, 32, 48})
        for (int bits : {4, 8, 32})
            expected.emplace(size, bits);
    QCOMPARE(bitmaps, expected);
    // RGBA, and 8-bit and 4-bit palettes with a transparency chunk.
    const std::set<std::tuple<int, int>> expectedPngs{{8, 6}, {8, 3}, {4, 3}};
    QCOMPARE(pngs, expectedPngs);
}

QTEST_MAIN(AppIconTest)
#include "AppIconTest.moc"
