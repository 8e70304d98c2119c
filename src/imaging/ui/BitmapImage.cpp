#include "imaging/ui/BitmapImage.h"

#include <algorithm>
#include <cstring>
#include <mutex>

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
            const int alpha = pixel[3];
            if (alpha == 255) { // most pixels are wholly opaque or wholly clear
                out[x] = qRgb(pixel[2], pixel[1], pixel[0]);
                continue;
            }
            const int level = (x / kCheckerSide + band) % 2 ? kCheckerDark : kCheckerLight;
            out[x] = alpha == 0 ? qRgb(level, level, level)
                                : qRgb(Blend(pixel[2], alpha, level), Blend(pixel[1], alpha, level),
                                       Blend(pixel[0], alpha, level));
        }
    }
    return image;
}

// A fingerprint of the picture's pixels, a quick pass over its bytes: four
// independent lanes of 8 bytes, so the multiplications overlap.
std::uint64_t Fingerprint(const Bitmap& bitmap) {
    constexpr std::uint64_t kPrime = 0x9E3779B97F4A7C15u;
    std::uint64_t lane[4] = {1, 2, 3, 4};
    const std::size_t rowBytes = 4 * static_cast<std::size_t>(bitmap.Width());
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint8_t* row = bitmap.ScanLine(y);
        std::size_t i = 0;
        for (; i + 32 <= rowBytes; i += 32) {
            std::uint64_t words[4];
            std::memcpy(words, row + i, 32);
            for (int k = 0; k < 4; ++k) lane[k] = (lane[k] ^ words[k]) * kPrime;
        }
        std::uint64_t rest[4] = {};
        std::memcpy(rest, row + i, rowBytes - i);
        for (int k = 0; k < 4; ++k) lane[k] = (lane[k] ^ rest[k] ^ std::uint64_t(y)) * kPrime;
    }
    return lane[0] ^ (lane[1] << 16 | lane[1] >> 48) ^ (lane[2] << 32 | lane[2] >> 32) ^
           (lane[3] << 48 | lane[3] >> 16);
}

// The view paints the same picture again for every exposed strip and scroll
// step: the last composite is kept and handed out again while the picture's
// rows and bytes are the same, which the fingerprint checks several times
// faster than compositing anew.
struct KeptComposite {
    const std::uint8_t* rows = nullptr;
    int width = 0;
    int height = 0;
    std::uint64_t fingerprint = 0;
    QImage image;
};
std::mutex guard;
KeptComposite kept;

QImage KeptOverCheckerboard(const Bitmap& bitmap) {
    const std::uint64_t fingerprint = Fingerprint(bitmap);
    std::lock_guard lock(guard);
    if (kept.rows != bitmap.ScanLine(0) || kept.width != bitmap.Width() ||
        kept.height != bitmap.Height() || kept.fingerprint != fingerprint || kept.image.isNull()) {
        kept.image = QImage(); // the old composite goes before the new one is made
        kept = {bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(), fingerprint,
                OverCheckerboard(bitmap)};
    }
    return kept.image;
}

// A picture without alpha on the screen: the kept composite is not needed.
void ForgetKeptComposite() {
    std::lock_guard lock(guard);
    kept = {};
}

} // namespace

QImage ImageOfBitmap(const Bitmap& bitmap) {
    if (!bitmap.HasAlpha()) ForgetKeptComposite();
    if (bitmap.Empty()) return {};
    switch (bitmap.Format()) {
    case PixelFormat::Bits24: return SharedRows(bitmap, QImage::Format_BGR888);
    case PixelFormat::Device: return SharedRows(bitmap, QImage::Format_RGB32);
    case PixelFormat::Bits32:
        return bitmap.HasAlpha() ? KeptOverCheckerboard(bitmap)
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
