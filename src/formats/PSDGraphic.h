#pragma once
// TPSDGraphic: reads Photoshop files (version 1): grey, duotone, indexed,
// RGB with or without alpha, multichannel, CMYK and L*a*b*, 8 and 16 bits
// per sample, raw, PackBits- or zip-compressed (with or without prediction).
// The merged picture at the end of the file is read; layers are skipped.

#include "formats/GraphicX.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace zv {

enum class PSDColorKind { Grey, Indexed, RGB, RGBA, CMYK, Lab };

// What the header pass learns about a file.
struct PSDHeader {
    PSDColorKind kind = PSDColorKind::RGB;
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bitsPerSample = 0;
    int samplesUsed = 0; // the channels the picture is made from
    int bitsPerPixel = 0;
    int channels = 0;
    int compression = 0; // 0 raw, 1 PackBits, 2 zip, 3 zip with prediction
    // Where the full pass found the palette and the merged picture.
    std::size_t colourData = 0;
    std::size_t colourDataLength = 0;
    std::size_t imageData = 0;
};

class TPSDGraphic : public TGraphicX {
public:
    const char* ClassName() const override { return "TPSDGraphic"; }

    // True when the data starts like a Photoshop file: at least 27 bytes,
    // "8BPS" in any case, version 1.
    static bool CanRead(ByteSpan data);
    static bool CanRead(const std::filesystem::path& path);

    // The header pass: resets and fills the information block and Header().
    // With headerOnly it stops after the fixed 26-byte header; otherwise it
    // also walks the sections up to the picture data. A file it cannot use
    // raises EInvalidGraphic "Invalid image format".
    void ReadInfo(ByteSpan data, bool headerOnly);
    const PSDHeader& Header() const { return header_; }

protected:
    void Load(ByteSpan data) override;

private:
    void ReadFixedHeader(ByteReader& in);
    void ReadSections(ByteReader& in);
    void ReadResolution(ByteSpan resources);
    void SetUpConverter();
    void SetUpPalette(ByteSpan data);
    void ReadRawRows(ByteSpan data);
    void ReadPackedRows(ByteSpan data);
    void ReadZipRows(ByteSpan data);

    PSDHeader header_;
};

} // namespace zv
