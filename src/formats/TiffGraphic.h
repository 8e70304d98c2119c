#pragma once
// TTiffGraphic: TIFF files read and written through libtiff, entirely in
// memory, with one image per directory.

#include "formats/DibGraphic.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zv {

// The compressions the writer offers; each writes its own compression tag
// and rows per strip.
enum class TiffCompression : int {
    None = 0,         // "None"
    Packbits = 1,     // "Packbits"
    FaxGroup3_1D = 2, // "Fax Group 3, 1D"
    FaxGroup3_2D = 3, // "Fax Group 3, 2D"
    FaxGroup4 = 4,    // "Fax Group 4"
    ZLib = 5,         // "ZLib"
    JPEG = 6,         // "JPEG": read only, never written
    ZLibAdobe = 7,    // "ZLib Adobe"
};

const char* TiffCompressionName(TiffCompression compression);
// The setting with this name, exactly as TiffCompressionName spells it.
std::optional<TiffCompression> TiffCompressionFromName(std::string_view name);
// The name of a compression tag found in a file: "None", "Fax Group 4",
// "LZW (unsupported)", ..., "Unknown".
const char* TiffCompressionTagName(int tag);

class TTiffGraphic : public TDibGraphic {
public:
    const char* ClassName() const override { return "TTiffGraphic"; }
    std::unique_ptr<TDibGraphic> NewOfSameClass() const override;

    // Reads image imageNumber (1-based, or -1 for the first) in full and
    // fills infoWidth, infoHeight and infoBits. A file that cannot be opened
    // reads as 0 x 0.
    void ReadInfo(const std::filesystem::path& path, int imageNumber = -1);

    // The number of directories (images) in the file.
    int ImageCount(ByteSpan data) const override;
    // A new single-image file.
    void SaveToStream(Bytes& out) const override;
    // Appends this image as a new directory of the TIFF file held in stream;
    // an empty stream gets a new file. On failure the stream is unchanged.
    void AddImage(Bytes& stream) const override;

    // The compression the writer uses. Reading a file takes over the file's;
    // until then it is "Fax Group 4" for "B/W" images and "Packbits" otherwise.
    TiffCompression Compression() const;
    void SetCompression(TiffCompression compression) { compression_ = compression; }
    // The compression tag of the file last read, and its name.
    int FileCompressionTag() const { return fileCompressionTag_; }
    const char* FileCompressionName() const { return TiffCompressionTagName(fileCompressionTag_); }
    // libtiff's first error or warning text of the last read or write, for
    // diagnostics; the layer's messages do not include it.
    const std::string& LibraryMessage() const { return libraryMessage_; }

    std::int32_t infoWidth = 0;
    std::int32_t infoHeight = 0;
    int infoBits = 0;

protected:
    void ReadImage(ByteSpan data, int imageNumber) override;

private:
    void StandUpright(int orientation, ImageFormat format);
    void WriteImage(Bytes& file, const char* mode) const;

    std::optional<TiffCompression> compression_;
    int fileCompressionTag_ = 0;
    mutable std::string libraryMessage_;
};

} // namespace zv
