#include "imaging/ui/BitmapImage.h"

#include <cstring>

namespace zv {

namespace {

QVector<QRgb> ColourTable(const Palette& palette) {
    QVector<QRgb> table;
    table.reserve(static_cast<int>(palette.size()));
    for (const PaletteEntry& entry : palette)
        table.push_back(qRgb(entry.red, entry.green, entry.blue));
    return table;
}

QImage SharedRows(const Bitmap& bitmap, QImage::Format format) {
    return QImage(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(),
                  static_cast<qsizetype>(bitmap.Stride()), format);
}

constexpr int kCheckerSide = 8;
constexpr int kCheckerLight = 255;
constexpr int kCheckerDark = 204;

// One channel over a checker square's level, rounded.
int Blend(int colour, int alpha, int level) {
    return (colour * alpha + level * (255 - alpha) + 127) / 255;
}

// Transparent parts show the checkerboard through them.
QImage OverCheckerboard(const Bitmap& bitmap) {
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
    if (image.isNull()) return image;
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint8_t* pixel = bitmap.ScanLine(y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int band = y / kCheckerSide;
        for (int x = 0; x < bitmap.Width(); ++x, pixel += 4) {
            const int level = (x / kCheckerSide + band) % 2 ? kCheckerDark : kCheckerLight;
            const int alpha = pixel[3];
            out[x] = qRgb(Blend(pixel[2], alpha, level), Blend(pixel[1], alpha, level),
                          Blend(pixel[0], alpha, level));
        }
    }
    return image;
}

} // namespace

QImage ImageOfBitmap(const Bitmap& bitmap) {
    if (bitmap.Empty()) return {};
    switch (bitmap.Format()) {
    case PixelFormat::Bits24: return SharedRows(bitmap, QImage::Format_BGR888);
    case PixelFormat::Device: return SharedRows(bitmap, QImage::Format_RGB32);
    case PixelFormat::Bits32:
        return bitmap.HasAlpha() ? OverCheckerboard(bitmap)
                                 : SharedRows(bitmap, QImage::Format_RGB32);
    case PixelFormat::Bits8: {
        QImage image = SharedRows(bitmap, QImage::Format_Indexed8);
        image.setColorTable(ColourTable(bitmap.Colours()));
        return image;
    }
    case PixelFormat::Bits1: {
        QImage image = SharedRows(bitmap, QImage::Format_Mono);
        image.setColorTable(ColourTable(bitmap.Colours()));
        return image;
    }
    case PixelFormat::Bits4:
    case PixelFormat::Bits15:
    case PixelFormat::Bits16: {
        Bitmap wide(bitmap);
        wide.SetPixelFormat(PixelFormat::Bits24);
        return SharedRows(wide, QImage::Format_BGR888).copy();
    }
    }
    return {};
}

bool BitmapOfImage(const QImage& image, Bitmap& bitmap) {
    if (image.isNull()) return false;
    const QImage rows = image.convertToFormat(QImage::Format_BGR888);
    Bitmap copy;
    copy.Create(rows.width(), rows.height(), PixelFormat::Bits24);
    const auto rowBytes = static_cast<std::size_t>(3 * rows.width());
    for (int y = 0; y < rows.height(); ++y)
        std::memcpy(copy.ScanLine(y), rows.constScanLine(y), rowBytes);
    bitmap = std::move(copy);
    return true;
}

} // namespace zv
