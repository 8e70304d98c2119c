#include "processing/TextMarkLayout.h"

#include "imaging/PixelConvert.h"
#include "processing/AnyDepthPixels.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <vector>

namespace zv {

namespace {

constexpr const char* kCopyrightSign = "\xC2\xA9"; // U+00A9 in UTF-8
constexpr int kOutlineReach = 2;                   // the outline's strokes move the box 0..2

std::size_t FindCode(const std::string& text, std::string_view code) {
    const auto at =
        std::search(text.begin(), text.end(), code.begin(), code.end(), [](char a, char b) {
            return std::toupper(static_cast<unsigned char>(a)) ==
                   std::toupper(static_cast<unsigned char>(b));
        });
    return at == text.end() ? std::string::npos : static_cast<std::size_t>(at - text.begin());
}

void ReplaceFirst(std::string& text, std::string_view code, std::string_view by) {
    const std::size_t at = FindCode(text, code);
    if (at != std::string::npos) text.replace(at, code.size(), by);
}

std::array<TextStroke, 10> Strokes(const TextMarkStyle& style) {
    std::array<TextStroke, 10> strokes{};
    std::size_t n = 0;
    for (int i = 0; i <= kOutlineReach; ++i)
        for (int j = 0; j <= kOutlineReach; ++j) strokes[n++] = {i, j, style.outline};
    strokes[n] = {1, 1, style.font.colour};
    return strokes;
}

// The rows the strokes can reach, as 24-bit pixels the painter draws on.
// A 24-bit picture lends its own rows; others are copied out and the
// changed pixels written back at their depth.
class StripCanvas {
public:
    StripCanvas(Bitmap& picture, std::int32_t first, std::int32_t end)
        : picture_(picture), first_(first), end_(end) {
        canvas_.width = picture.Width();
        canvas_.height = end - first;
        if (picture.Format() == PixelFormat::Bits24) {
            canvas_.pixels = picture.ScanLine(first);
            canvas_.stride = picture.Stride();
            return;
        }
        canvas_.stride = 3 * std::int64_t{picture.Width()};
        before_.resize(static_cast<std::size_t>(canvas_.stride * canvas_.height));
        for (std::int32_t y = first; y < end; ++y)
            DecodeRow(picture, y, before_.data() + (y - first) * canvas_.stride);
        after_ = before_;
        canvas_.pixels = after_.data();
    }

    const TextCanvas& Canvas() const { return canvas_; }

    void WriteBack() {
        if (picture_.Format() == PixelFormat::Bits24) return;
        PixelWriter writer(picture_);
        for (std::int32_t y = first_; y < end_; ++y) {
            const std::size_t row = static_cast<std::size_t>((y - first_) * canvas_.stride);
            for (std::int32_t x = 0; x < canvas_.width; ++x) {
                const std::uint8_t* was = before_.data() + row + 3 * x;
                const std::uint8_t* now = after_.data() + row + 3 * x;
                if (std::memcmp(was, now, 3) != 0) writer.Put(x, y, {now[0], now[1], now[2], 0});
            }
        }
    }

private:
    Bitmap& picture_;
    std::int32_t first_;
    std::int32_t end_;
    TextCanvas canvas_;
    std::vector<std::uint8_t> before_;
    std::vector<std::uint8_t> after_;
};

} // namespace

std::string ExpandTextMarkCodes(std::string_view text, std::string_view date,
                                std::string_view fileName) {
    std::string result(text);
    ReplaceFirst(result, "@@D", date);
    ReplaceFirst(result, "@@C", kCopyrightSign);
    if (FindCode(result, "@@F") != std::string::npos) {
        if (fileName.empty()) return {};
        ReplaceFirst(result, "@@F", std::filesystem::path(fileName).stem().string());
    }
    return result;
}

TextBox TextMarkBox(const Bitmap& picture, TextCorner corner) {
    const bool top = corner == TextCorner::TopLeft || corner == TextCorner::TopRight;
    return {0, top ? 0 : picture.Height() - 15, picture.Width() - 8,
            top ? 14 : picture.Height() - 1};
}

void TextMark(Bitmap& picture, std::string_view text, TextCorner corner, TextMarkPainter& painter) {
    const TextBox box = TextMarkBox(picture, corner);
    if (text.empty() || box.right <= box.left) return;
    const std::int32_t first = std::max(box.top, 0);
    const std::int32_t end = std::min(box.bottom + kOutlineReach, picture.Height());
    if (end <= first) return;
    StripCanvas strip(picture, first, end);
    const TextBox inStrip{box.left, box.top - first, box.right, box.bottom - first};
    const bool right = corner == TextCorner::TopRight || corner == TextCorner::BottomRight;
    const auto strokes = Strokes(painter.style);
    painter.Draw(strip.Canvas(), text, inStrip, right, strokes);
    strip.WriteBack();
}

} // namespace zv
