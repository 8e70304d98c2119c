#pragma once
// TIconGraphic: reads and writes icon files (.ico). Reading takes the
// largest, deepest image of the file and gives a "24bpp color" picture of its
// size, black where the icon is transparent. Writing stores the picture as
// one 24-bit image, at most 256 x 256 (larger pictures are scaled down to
// fit), with an opaque mask.

#include "formats/DibGraphic.h"

#include <memory>

namespace zv {

class TIconGraphic : public TDibGraphic {
public:
    const char* ClassName() const override { return "TIconGraphic"; }
    std::unique_ptr<TDibGraphic> NewOfSameClass() const override;
    void SaveToStream(Bytes& out) const override;

    // The largest side an icon image has.
    static constexpr std::int32_t kMaxSide = 256;

protected:
    void ReadImage(ByteSpan data, int imageNumber) override;

private:
    void ReadPngImage(ByteSpan bytes);
};

} // namespace zv
