#pragma once
// TGraphicX: a picture read into a viewer Bitmap through a TPixelConverter,
// for formats whose samples come in depths and colour models of their own.
// A reader's header pass fills the 40-byte information block, which is reset
// before each pass.

#include "formats/ByteReader.h"
#include "formats/PixelConverter.h"
#include "imaging/Bitmap.h"

#include <cstdint>
#include <filesystem>

namespace zv {

// The information header of a device-independent bitmap, as a reader's
// header pass describes the file: its size, its bits per pixel and, where
// the file says, its resolution in pixels per metre.
struct InfoBlock {
    std::uint32_t size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::int32_t xPixelsPerMetre = 0;
    std::int32_t yPixelsPerMetre = 0;
    std::uint32_t coloursUsed = 0;
    std::uint32_t coloursImportant = 0;
};
static_assert(sizeof(InfoBlock) == 40);

class TGraphicX {
public:
    TGraphicX() = default;
    virtual ~TGraphicX() = default;
    TGraphicX(const TGraphicX&) = delete;
    TGraphicX& operator=(const TGraphicX&) = delete;

    virtual const char* ClassName() const { return "TGraphicX"; }

    // Reads the picture the data holds into Pixels().
    void LoadFromStream(ByteSpan data) { Load(data); }
    void LoadFromFile(const std::filesystem::path& path);

    const Bitmap& Pixels() const { return picture_; }
    Bitmap& Pixels() { return picture_; }
    std::int32_t Width() const { return picture_.Width(); }
    std::int32_t Height() const { return picture_.Height(); }

    TPixelConverter& Converter() { return converter_; }
    const InfoBlock& Info() const { return info_; }
    double ScaleFactor() const { return scaleFactor_; }

protected:
    virtual void Load(ByteSpan data) = 0;
    // Before each header pass: an empty block and a scale factor of 1.
    void ResetInfo();
    InfoBlock& MutableInfo() { return info_; }
    // A picture of the size in the converter's target pixel format.
    void NewPicture(std::int32_t width, std::int32_t height);

private:
    Bitmap picture_;
    TPixelConverter converter_;
    InfoBlock info_;
    double scaleFactor_ = 1.0;
};

} // namespace zv
