// Writes the sample pictures `make run` opens: gradients, a colour wheel and
// test patterns at each depth the program writes, made here from formulas so
// the repository carries no binary pictures.

#include "formats/GraphicClasses.h"
#include "formats/TiffGraphic.h"
#include "imaging/BitmapFile.h"
#include "imaging/Palettes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>

namespace {

using zv::Bitmap;
using zv::PixelFormat;

void PutBgr(std::uint8_t* row, int x, int red, int green, int blue) {
    row[3 * x] = static_cast<std::uint8_t>(blue);
    row[3 * x + 1] = static_cast<std::uint8_t>(green);
    row[3 * x + 2] = static_cast<std::uint8_t>(red);
}

// Hue around the centre, saturation growing outwards, on a grey ground.
Bitmap ColourWheel(int size) {
    Bitmap picture;
    picture.Create(size, size, PixelFormat::Bits24);
    const double centre = (size - 1) / 2.0;
    const double radius = size / 2.0 - 4;
    for (int y = 0; y < size; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < size; ++x) {
            const double dx = x - centre, dy = centre - y;
            const double distance = std::sqrt(dx * dx + dy * dy);
            if (distance > radius) {
                PutBgr(row, x, 64, 64, 64);
                continue;
            }
            const double hue = std::atan2(dy, dx) / (2 * M_PI) * 6 + 6;
            const double saturation = distance / radius;
            double rgb[3];
            for (int c = 0; c < 3; ++c) {
                const double h = std::fmod(hue + 2 * (2 - c) + 6, 6.0);
                const double pure = std::clamp(std::abs(h - 3) - 1, 0.0, 1.0);
                rgb[c] = 255 * (1 - saturation + saturation * pure);
            }
            PutBgr(row, x, static_cast<int>(rgb[0]), static_cast<int>(rgb[1]),
                   static_cast<int>(rgb[2]));
        }
    }
    return picture;
}

// Red across, green down, blue along the diagonal.
Bitmap Gradient(int width, int height) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x)
            PutBgr(row, x, x * 255 / (width - 1), y * 255 / (height - 1),
                   (x + y) * 255 / (width + height - 2));
    }
    return picture;
}

// Sixteen vertical bars of the standard colours over a grey step wedge.
Bitmap ColourBars(int width, int height) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits4);
    const int grey[4] = {0, 8, 7, 15}; // black, grey, silver, white
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const int index = y < height * 3 / 4 ? x * 16 / width : grey[x * 4 / width];
            if (x % 2 == 0)
                row[x / 2] = static_cast<std::uint8_t>(index << 4);
            else
                row[x / 2] |= static_cast<std::uint8_t>(index);
        }
    }
    return picture;
}

// A grey ramp on a 256-entry grey palette.
Bitmap GreyRamp(int width, int height) {
    Bitmap picture;
    picture.Create(width, height, PixelFormat::Bits8);
    zv::Palette greys(256);
    for (int i = 0; i < 256; ++i)
        greys[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                    static_cast<std::uint8_t>(i), 0};
    picture.SetPalette(greys);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) row[x] = static_cast<std::uint8_t>(x * 255 / (width - 1));
    }
    return picture;
}

// Concentric rings and a checkerboard in black and white.
Bitmap RingsAndChecks(int size) {
    Bitmap picture;
    picture.Create(size, size, PixelFormat::Bits1);
    const double centre = size / 2.0;
    for (int y = 0; y < size; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < size; ++x) {
            const double distance = std::hypot(x - centre, y - centre);
            const bool white = distance < size * 0.4 ? static_cast<int>(distance / 8) % 2 == 0
                                                     : ((x / 16) + (y / 16)) % 2 == 0;
            if (white) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    return picture;
}

// The picture in the layer's format of the file's extension, at 96 dpi.
void WriteLayerFile(const std::filesystem::path& path, const Bitmap& picture,
                    std::optional<zv::TiffCompression> compression = std::nullopt) {
    std::string extension = path.extension().string();
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    auto image = zv::NewGraphicForExtension(extension);
    image->Assign(picture, 96, 96);
    if (compression) dynamic_cast<zv::TTiffGraphic&>(*image).SetCompression(*compression);
    image->SaveToFile(path);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "Usage: zvsamples OUTPUT-FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    try {
        std::filesystem::create_directories(folder);
        zv::WriteBitmapFile(folder / "gradient.bmp", Gradient(640, 480));
        zv::WriteBitmapFile(folder / "colour-bars-16.bmp", ColourBars(640, 480));
        zv::WriteBitmapFile(folder / "grey-ramp-256.bmp", GreyRamp(512, 128));
        zv::WriteBitmapFile(folder / "rings-bw.bmp", RingsAndChecks(400));
        WriteLayerFile(folder / "colour-wheel.png", ColourWheel(512));
        WriteLayerFile(folder / "gradient.tif", Gradient(640, 480));
        WriteLayerFile(folder / "rings-bw-fax.tif", RingsAndChecks(400),
                       zv::TiffCompression::FaxGroup4);
        WriteLayerFile(folder / "colour-bars-16.pcx", ColourBars(640, 480));
        WriteLayerFile(folder / "grey-ramp-256.tga", GreyRamp(512, 128));
        WriteLayerFile(folder / "colour-wheel.ico", ColourWheel(64));
        // Written last: the build waits for this one.
        zv::WriteBitmapFile(folder / "colour-wheel.bmp", ColourWheel(512));
    } catch (const std::exception& error) {
        std::cerr << "zvsamples: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
