#pragma once
// TPngGraphic: PNG files read and written through libpng, entirely in memory.

#include "formats/DibGraphic.h"

#include <cstdint>
#include <filesystem>
#include <memory>

namespace zv {

class TPngGraphic : public TDibGraphic {
public:
    const char* ClassName() const override { return "TPngGraphic"; }
    // Pictures with alpha are written as RGB with alpha.
    bool WritesAlpha() const override { return true; }
    std::unique_ptr<TDibGraphic> NewOfSameClass() const override;

    // Header only: fills infoWidth, infoHeight and infoBits (the bits per
    // pixel the file loads as). A file that cannot be opened reads as 0 x 0;
    // a damaged header raises EPNGError.
    void ReadInfo(const std::filesystem::path& path);
    void ReadInfo(ByteSpan data);

    // Grey for "B/W" and the grey formats (a palette file when their palette
    // is not the plain black-to-white ramp), palette for the colour palette
    // formats, RGB for "24bpp color"; with pHYs and gAMA.
    void SaveToStream(Bytes& out) const override;

    // Written in the gAMA chunk. The pixels are the display's own (sRGB), so
    // 1/2.2 makes colour-managed viewers show what this program showed.
    double gamma = 1 / 2.2;
    // 0x00BBGGRR behind transparent pixels, unless keepAlpha keeps the
    // alpha of colour files (grey ones with alpha are read as colour then).
    std::uint32_t backgroundColour = 0;
    bool ignoreFileBackground = false; // use backgroundColour even when the file has bKGD
    int compression = 1;               // 0, 1, 2: zlib level 1, 5, 9
    bool interlace = true;             // write Adam7-interlaced

    std::int32_t infoWidth = 0;
    std::int32_t infoHeight = 0;
    int infoBits = 0;

protected:
    void ReadImage(ByteSpan data, int imageNumber) override;
};

} // namespace zv
