#pragma once
// TPcxGraphic: PC Paintbrush files of versions 0, 1, 2, 3 and 5 with
// run-length coding: 1 bit, 2 bits (CGA, read as "4bpp color"), 4 bits (four
// 1-bit planes or one 4-bit plane), 8 bits (palette after the pixels) and 24
// bits (three 8-bit planes). Writes version 5 files.

#include "formats/DibGraphic.h"

#include <filesystem>
#include <memory>

namespace zv {

class TPcxGraphic : public TDibGraphic {
public:
    const char* ClassName() const override { return "TPcxGraphic"; }
    std::unique_ptr<TDibGraphic> NewOfSameClass() const override;

    // Header only: fills infoWidth, infoHeight and infoBits (bits per plane
    // times planes), or raises EGbmError "gbm_read_header failed.".
    void ReadInfo(ByteSpan data);
    void ReadInfo(const std::filesystem::path& path);

    // 24-bit images as three 8-bit planes, the others as one plane of their
    // depth; each plane of each row is coded on its own.
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
    // The bytes of a coded line; raises when the image cannot be written.
    std::int64_t BytesPerLine() const;
};

} // namespace zv
