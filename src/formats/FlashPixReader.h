#pragma once
// FlashPix pictures: a compound file holding an image object, whose "Image
// Contents" property set describes a pyramid of resolutions, each stored as
// a grid of tiles (uncompressed, a single colour, or JPEG with tables shared
// through the property set) in the colour spaces RGB, PhotoYCC or
// monochrome, each with or without an opacity channel.
//
// Colour pictures come out 24-bit, monochrome ones as 8-bit grey, and
// pictures with opacity as 32-bit with alpha (the file's premultiplied
// colours divided back out). Every size, count and offset is checked before
// use; a damaged file raises EFlashPixError.

#include "formats/ByteReader.h"
#include "formats/DecodedPicture.h"
#include "imaging/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

namespace zv {

struct PageSource;

// Messages start "FlashPix: ".
class EFlashPixError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class FlashPixSpace : std::uint8_t { Rgb, PhotoYcc, Monochrome };

struct FlashPixLevel {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

class FlashPixFile {
public:
    // Reads the container, the property set and every resolution's tile
    // table; the data must outlive the reader.
    explicit FlashPixFile(ByteSpan data);
    ~FlashPixFile();
    FlashPixFile(const FlashPixFile&) = delete;
    FlashPixFile& operator=(const FlashPixFile&) = delete;

    // Resolutions, largest first.
    int LevelCount() const;
    FlashPixLevel Level(int index) const;
    FlashPixSpace Space() const;
    bool HasOpacity() const;
    // The depth a decode gives: 8 (monochrome), 24 (colour) or 32 (with opacity).
    int OutputBits() const;
    // The smallest resolution that reaches the box's width or height (so a
    // picture fitted into the box needs no enlarging); the largest when
    // none does.
    int NearestLevel(std::int32_t boxWidth, std::int32_t boxHeight) const;
    // One resolution's pixels; tiles are decoded on every core.
    Bitmap Decode(int level) const;

    struct Parts;

private:
    std::unique_ptr<Parts> parts_;
};

// The format table's entries: the largest resolution's size, and the
// resolution nearest the options' fit box (the largest without a box).
PictureHeader ReadFlashPixHeader(const std::filesystem::path& path, const DecodeOptions& options);
DecodedPicture ReadFlashPixPage(const PageSource& source);

} // namespace zv
