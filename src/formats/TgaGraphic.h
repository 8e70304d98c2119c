#pragma once
// TTgaGraphic: Truevision targa files. Reads colour-mapped (types 1 and 9),
// true-colour (2 and 10) and grey (3 and 11) pictures, raw or run-length
// coded, from either origin; 32-bit pixels with 8 alpha bits keep their alpha
// when asked. Writes uncompressed files, rows bottom-up, 32-bit with alpha
// for images that have it.

#include "formats/DibGraphic.h"

#include <filesystem>
#include <memory>

namespace zv {

class TTgaGraphic : public TDibGraphic {
public:
    const char* ClassName() const override { return "TTgaGraphic"; }
    bool WritesAlpha() const override { return true; }
    std::unique_ptr<TDibGraphic> NewOfSameClass() const override;

    // Header only: fills infoWidth, infoHeight and infoBits (the file's bits
    // per pixel), or raises EGbmError "gbm_read_header failed.".
    void ReadInfo(ByteSpan data);
    void ReadInfo(const std::filesystem::path& path);

    // "8bpp gray", "8bpp color" and "24bpp color" images only; any other
    // raises ETgaError "TGA image must have 256 colors or true color".
    void SaveToStream(Bytes& out) const override;
    // The same bytes row by row, without building the file.
    void WriteTo(ByteSink& out) const override;

    std::int32_t infoWidth = 0;
    std::int32_t infoHeight = 0;
    int infoBits = 0;

protected:
    void ReadImage(ByteSpan data, int imageNumber) override;
    bool ReadyToWriteInPieces() const override;

private:
    // Raises when the image cannot be written.
    void CheckWritable() const;
};

} // namespace zv
