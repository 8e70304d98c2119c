// zvmake_flashpix IN.ppm OUT.fpx [QUALITY]: writes a FlashPix picture of a
// PPM's pixels for the speed comparison in peers.sh: a full resolution
// pyramid down to one tile, JPEG tiles of the quality given (90 when none)
// with colour at half width and height, as cjpeg makes baseline JPEGs, the
// tables shared, in 4096-byte sectors.

#include "formats/FlashPixFiles.h"

#include <cstdlib>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "Usage: zvmake_flashpix IN.ppm OUT.fpx [QUALITY]\n";
        return 2;
    }
    const zvtest::PnmPicture source = zvtest::ReadPnm(argv[1]);
    if (!source.Complete() || source.channels != 3 || source.maxValue != 255) {
        std::cerr << argv[1] << ": not an 8-bit PPM\n";
        return 1;
    }
    zvtest::FpxOptions options;
    options.quality = argc > 3 ? std::atoi(argv[3]) : 90;
    options.subsample = true;
    options.sectorShift = 12;
    options.levels = {zvtest::FpxTiles::Jpeg};
    for (int w = source.width, h = source.height; w > 64 || h > 64;
         w = (w + 1) / 2, h = (h + 1) / 2)
        options.levels.push_back(zvtest::FpxTiles::Jpeg);
    const std::vector<std::uint8_t> bytes = zvtest::WriteFlashPix(source, options);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : 1;
}
