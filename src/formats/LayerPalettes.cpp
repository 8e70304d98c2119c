#include "formats/LayerPalettes.h"

#include <cmath>

namespace zv {

namespace {

PaletteEntry Rgb(int red, int green, int blue) {
    return {static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green),
            static_cast<std::uint8_t>(red), 0};
}

// 24 hues round the colour circle, 4 steps in each sixth, between a floor
// value (the saturation) and a ceiling (the brightness).
void AddHueRing(Palette& palette, int floor, int ceiling) {
    for (int step = 0; step < 24; ++step) {
        const int sextant = step / 4;
        const int rising = floor + (ceiling - floor) * (step % 4) / 4;
        const int falling = ceiling - (ceiling - floor) * (step % 4) / 4;
        // Blue, then towards magenta, red, yellow, green, cyan and back.
        int r = floor, g = floor, b = floor;
        switch (sextant) {
        case 0:
            b = ceiling;
            r = rising;
            break;
        case 1:
            r = ceiling;
            b = falling;
            break;
        case 2:
            r = ceiling;
            g = rising;
            break;
        case 3:
            g = ceiling;
            r = falling;
            break;
        case 4:
            g = ceiling;
            b = rising;
            break;
        default:
            b = ceiling;
            g = falling;
            break;
        }
        palette.push_back(Rgb(r, g, b));
    }
}

Palette MakeColour256() {
    Palette palette = Colour16Palette();
    for (int grey : {0, 20, 32, 44, 56, 69, 81, 97, 113, 130, 146, 162, 182, 203, 227, 255})
        palette.push_back(Rgb(grey, grey, grey));
    for (int ceiling : {255, 113, 65}) {
        AddHueRing(palette, 0, ceiling);
        AddHueRing(palette, ceiling / 2, ceiling);
        AddHueRing(palette, ceiling * 18 / 25, ceiling);
    }
    while (palette.size() < 256) palette.push_back(Rgb(0, 0, 0));
    return palette;
}

} // namespace

Palette GreyRamp(int bits, bool inverted) {
    const int count = 1 << bits;
    Palette palette;
    for (int i = 0; i < count; ++i) {
        const int level = i * 255 / (count - 1);
        const int value = inverted ? 255 - level : level;
        palette.push_back(Rgb(value, value, value));
    }
    return palette;
}

const Palette& BlackWhitePalette() {
    static const Palette palette = GreyRamp(1, false);
    return palette;
}

const Palette& Grey16Palette() {
    static const Palette palette = GreyRamp(4, false);
    return palette;
}

const Palette& Grey256Palette() {
    static const Palette palette = GreyRamp(8, false);
    return palette;
}

const Palette& Colour16Palette() {
    static const Palette palette = {
        Rgb(0, 0, 0),     Rgb(0, 0, 170),    Rgb(0, 170, 0),    Rgb(0, 170, 170),
        Rgb(170, 0, 0),   Rgb(170, 0, 170),  Rgb(170, 85, 0),   Rgb(170, 170, 170),
        Rgb(85, 85, 85),  Rgb(85, 85, 255),  Rgb(85, 255, 85),  Rgb(85, 255, 255),
        Rgb(255, 85, 85), Rgb(255, 85, 255), Rgb(255, 255, 85), Rgb(255, 255, 255)};
    return palette;
}

const Palette& Colour256Palette() {
    static const Palette palette = MakeColour256();
    return palette;
}

} // namespace zv
