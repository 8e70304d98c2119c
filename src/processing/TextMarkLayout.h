#pragma once
// Text marks: a line of text with an outline in a corner of the picture,
// drawn by the host's TextMarkPainter. The picture keeps its depth.

#include "imaging/Bitmap.h"
#include "platform/TextMarkPainter.h"

#include <string>
#include <string_view>

namespace zv {

enum class TextCorner { TopLeft, TopRight, BottomLeft, BottomRight };

// The question the text mark commands ask before they draw.
inline constexpr const char* kTextMarkTitle = "Enter notice or copyright text.";
inline constexpr const char* kTextMarkPrompt = "e.g., Vacation in Hawaii @@D";

// The text with its codes replaced, each at its first occurrence only and
// found in any case, in this order: "@@D" by `date`, "@@C" by the copyright
// sign, "@@F" by the file's name without folder and extension. With "@@F"
// and no file name the whole text is empty.
std::string ExpandTextMarkCodes(std::string_view text, std::string_view date,
                                std::string_view fileName);

// The box the text goes in: columns 0 .. width-9; rows 0..13 at the top,
// height-15 .. height-2 at the bottom.
TextBox TextMarkBox(const Bitmap& picture, TextCorner corner);

// Draws `text` (codes already replaced) in the corner: nine times in the
// outline colour with the box moved by 0..2 pixels each way, then once in
// the font's colour moved by (1, 1). Only the pixels the painter draws
// change; a palette picture takes the nearest colours of its palette.
void TextMark(Bitmap& picture, std::string_view text, TextCorner corner, TextMarkPainter& painter);

} // namespace zv
