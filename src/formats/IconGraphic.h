#pragma once
// TIconGraphic: reads icon and cursor files (.ico, .cur) and writes icons.
// Each image of the directory is a page, the largest, deepest first; a page
// reads as a "24bpp color" picture of its size, black where the icon is
// transparent. A directory whose entries point outside the file is refused;
// an image whose own header is unusable is passed over and the file counts
// as damaged. Writing stores the picture as one 24-bit image, at most
// 256 x 256 (larger pictures are scaled down to fit), with an opaque mask.

#include "formats/DibGraphic.h"

#include <memory>

namespace zv {

class TIconGraphic : public TDibGraphic {
public:
    const char* ClassName() const override { return "TIconGraphic"; }
    std::unique_ptr<TDibGraphic> NewOfSameClass() const override;
    void SaveToStream(Bytes& out) const override;
    // The directory's entries; throws EInvalidGraphic when it lies.
    int ImageCount(ByteSpan data) const override;
    // The last read passed over an image whose header could not be used.
    bool Damaged() const { return damaged_; }

    // The largest side an icon image has.
    static constexpr std::int32_t kMaxSide = 256;

protected:
    void ReadImage(ByteSpan data, int imageNumber) override;

private:
    void ReadPngImage(ByteSpan bytes);

    bool damaged_ = false;
};

} // namespace zv
