#pragma once
// Drawing one line of text into a strip of picture rows, for text marks.
// The drawing itself needs the window system's fonts, so the program gives
// an implementation (platform/qt/TextMark); the toolbox lays the mark out and
// hands it over through this interface.

#include "platform/Dialogs.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace zv {

// Rows of 24-bit pixels (blue, green, red) the text is drawn on.
struct TextCanvas {
    std::uint8_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int64_t stride = 0; // bytes from one row to the next
};

// Left and top inclusive, right and bottom exclusive, in canvas rows.
struct TextBox {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// One drawing of the text: the box moved by (dx, dy), in one colour.
struct TextStroke {
    int dx = 0;
    int dy = 0;
    ColourRef colour = 0;
};

// What a mark is drawn with: the font and its own colour, and the colour of
// the outline around the letters.
struct TextMarkStyle {
    FontChoice font{"", 8, false, false, 0};
    ColourRef outline = 0x808080;
};

class TextMarkPainter {
public:
    virtual ~TextMarkPainter() = default;
    // Draws `text` (UTF-8) on a single line once for each stroke, in stroke
    // order: vertically centred in the moved box, against its right edge or
    // its left one, with a transparent background, and never outside the
    // moved box or the canvas.
    virtual void Draw(const TextCanvas& canvas, std::string_view text, const TextBox& box,
                      bool alignRight, std::span<const TextStroke> strokes) = 0;

    // The canvas font and outline colour; Properties and Outline color
    // change them and later marks use them.
    TextMarkStyle style;
};

} // namespace zv
