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

} // namespace

QImage ImageOfBitmap(const Bitmap& bitmap) {
    if (bitmap.Empty()) return {};
    switch (bitmap.Format()) {
    case PixelFormat::Bits24: return SharedRows(bitmap, QImage::Format_BGR888);
    case PixelFormat::Device:
    case PixelFormat::Bits32: return SharedRows(bitmap, QImage::Format_RGB32);
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
