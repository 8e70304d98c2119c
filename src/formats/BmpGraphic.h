#pragma once
// TBmpGraphic: Windows and OS/2 bitmap files. Reads "BM" files and the first
// bitmap of an OS/2 bitmap array ("BA"): 12-byte and 16..64-byte information
// headers, 1, 4, 8 and 24 bits, uncompressed, RLE8 and RLE4, bottom-up and
// top-down. Files outside that set but still plain bitmaps (16 and 32 bits,
// bit fields, the 108- and 124-byte headers) go through a second reader that
// turns 16 and 32 bits into "24bpp color" (keeping an alpha mask's alpha when
// asked) and sets readByFallback; so do files that hold a whole JPEG or PNG
// picture (compression 4 and 5). Writes uncompressed files with a 40-byte
// information header.

#include "formats/DibGraphic.h"

#include <filesystem>
#include <memory>

namespace zv {

class TBmpGraphic : public TDibGraphic {
public:
    const char* ClassName() const override { return "TBmpGraphic"; }
    std::unique_ptr<TDibGraphic> NewOfSameClass() const override;

    // Header only: fills infoWidth, infoHeight and infoBits, or raises
    // EGbmError "gbm_read_header failed.".
    void ReadInfo(ByteSpan data);
    void ReadInfo(const std::filesystem::path& path);

    // File header, information header, palette and the rows bottom-up.
    void SaveToStream(Bytes& out) const override;
    // The same bytes row by row, without building the file.
    void WriteTo(ByteSink& out) const override;

    std::int32_t infoWidth = 0;
    std::int32_t infoHeight = 0;
    int infoBits = 0;
    // The last load needed the second reader.
    bool readByFallback = false;

protected:
    void ReadImage(ByteSpan data, int imageNumber) override;
    bool ReadyToWriteInPieces() const override;

private:
    // The bytes of the whole file; raises when the image cannot be written.
    std::uint64_t FileSize() const;
};

// A BMP file read into a Bitmap as the class reads it, with the file read
// once: uncompressed rows go from the file straight into the picture's rows.
// Throws what the class throws.
struct BmpPicture {
    Bitmap pixels;
    int xDpi = 0;
    int yDpi = 0;
    bool readByFallback = false;
};
BmpPicture ReadBmpFile(const std::filesystem::path& path, bool keepAlpha = false);

// Whether a BMP file's header gives its pixels an alpha mask (bit fields of
// 16 or 32 bits); false when the header cannot be read.
bool BmpHasAlphaMask(const std::filesystem::path& path);

// The BMP file the viewer saves of a picture: a 40-byte header without a
// resolution, a colour table of 2^bits entries for 1, 4 and 8 bits (zero
// past the palette), the rows bottom-up with zero padding; 15-, 16-, 32-bit
// and display pictures go as 24-bit. Byte for byte BitmapFileBytes, written
// row by row. Throws EBitmapError for an empty picture or one too large for
// the header, before any byte.
void WriteBitmapAsBmp(ByteSink& out, const Bitmap& picture);
// The same file written atomically, streamed to the disk; throws
// EFileWriteError when it cannot be written, and the old file stays.
void SaveBitmapAsBmp(const std::filesystem::path& path, const Bitmap& picture);

} // namespace zv
