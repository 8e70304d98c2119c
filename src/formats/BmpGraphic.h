#pragma once
// TBmpGraphic: Windows and OS/2 bitmap files. Reads "BM" files and the first
// bitmap of an OS/2 bitmap array ("BA"): 12-byte and 16..64-byte information
// headers, 1, 4, 8 and 24 bits, uncompressed, RLE8 and RLE4, bottom-up and
// top-down. Files outside that set but still plain bitmaps (16 and 32 bits,
// bit fields, the 108- and 124-byte headers) go through a second reader that
// turns 16 and 32 bits into "24bpp color" and sets readByFallback. Writes
// uncompressed files with a 40-byte information header.

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

    std::int32_t infoWidth = 0;
    std::int32_t infoHeight = 0;
    int infoBits = 0;
    // The last load needed the second reader.
    bool readByFallback = false;

protected:
    void ReadImage(ByteSpan data, int imageNumber) override;
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
BmpPicture ReadBmpFile(const std::filesystem::path& path);

} // namespace zv
