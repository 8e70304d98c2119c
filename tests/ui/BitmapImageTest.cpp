// Pictures with alpha on the screen: the view shows them over a checkerboard
// of white and light grey 8-pixel squares, and the picture's bytes stay.

#include "imaging/ui/BitmapImage.h"
#include "viewer/ui/Sky95.h"

#include <QPainter>
#include <QTest>

#include <cstring>
#include <vector>

using namespace zv;

namespace {

// 16 x 9 blue, green, red, alpha pixels: (0, 0) red at half opacity, (8, 0)
// the same over the grey square, (1, 0) clear, (2, 0) opaque, the rest clear.
Bitmap HalfTransparent() {
    Bitmap picture;
    picture.Create(16, 9, PixelFormat::Bits32);
    picture.SetAlpha(true);
    const std::uint8_t halfRed[] = {0, 0, 200, 128};
    const std::uint8_t opaque[] = {10, 20, 30, 255};
    std::uint8_t* row = picture.ScanLine(0);
    std::memcpy(row, halfRed, 4);
    std::memcpy(row + 4 * 8, halfRed, 4);
    std::memcpy(row + 4 * 2, opaque, 4);
    return picture;
}

std::vector<std::uint8_t> BytesOf(const Bitmap& picture) {
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < picture.Height(); ++y)
        bytes.insert(bytes.end(), picture.ScanLine(y), picture.ScanLine(y) + picture.Stride());
    return bytes;
}

} // namespace

class BitmapImageTest : public QObject {
    Q_OBJECT
private slots:
    void alphaPicturesShowTheCheckerboardThroughThem() {
        const Bitmap picture = HalfTransparent();
        const std::vector<std::uint8_t> before = BytesOf(picture);
        Sky95 view;
        view.Show(&picture);
        view.SetDisplaySize({16, 9});
        QImage shown(16, 9, QImage::Format_RGB32);
        QPainter painter(&shown);
        view.PaintRegion(painter, {0, 0, 16, 9});
        painter.end();

        // 200 x 128 / 255 + 255 x 127 / 255 = 227.4; 255 x 127 / 255 = 127.
        QCOMPARE(shown.pixel(0, 0), qRgb(227, 127, 127));
        // Over grey 204: (200 x 128 + 204 x 127) / 255 = 201.9; 204 x 127 / 255 = 101.6.
        QCOMPARE(shown.pixel(8, 0), qRgb(202, 102, 102));
        QCOMPARE(shown.pixel(1, 0), qRgb(255, 255, 255)); // clear, light square
        QCOMPARE(shown.pixel(9, 0), qRgb(204, 204, 204)); // clear, grey square
        QCOMPARE(shown.pixel(0, 8), qRgb(204, 204, 204)); // the next row of squares
        QCOMPARE(shown.pixel(2, 0), qRgb(30, 20, 10));    // opaque as it is
        QVERIFY(BytesOf(picture) == before);

        // The copy kept for the next paint follows a change made in place.
        Bitmap changed = HalfTransparent();
        QCOMPARE(ImageOfBitmap(changed).pixel(0, 0), qRgb(227, 127, 127));
        changed.ScanLine(0)[3] = 255;
        QCOMPARE(ImageOfBitmap(changed).pixel(0, 0), qRgb(200, 0, 0));

        // Without alpha the fourth byte is not looked at.
        Bitmap plain = picture;
        plain.SetAlpha(false);
        QCOMPARE(ImageOfBitmap(plain).pixel(1, 0) & 0xFFFFFF, 0u);
    }
};

QTEST_MAIN(BitmapImageTest)
#include "BitmapImageTest.moc"
