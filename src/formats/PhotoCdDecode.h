#pragma once
// Decoding of Photo CD image packs. A pack is a run of 2048-byte sectors: a
// blank sector, the image pack information (signature "PCD_IPI" at byte
// 2048, the rotation attribute, media, scanner and rights fields), then the
// uncompressed image components Base/16 (192 x 128), Base/4 (384 x 256) and
// Base (768 x 512), each stored landscape as pairs of luma rows followed by
// one row of each colour difference at half width. Step 0 (96 x 64) is
// Base/16 halved. The larger components are Huffman-coded residuals and are
// not read.

#include "formats/ByteReader.h"
#include "imaging/Bitmap.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace zv {

// A Photo CD file that cannot be read, or an operation the reader refuses.
class EPhotoCdError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::int64_t kPcdSectorSize = 2048;
inline constexpr std::int64_t kPcdInfoOffset = kPcdSectorSize; // the "PCD_IPI" block
inline constexpr int kPcdMaxSteps = 4;                         // steps 0..3 (64 x 96 .. 512 x 768)

// Where one stored image component lies, in display-independent landscape form.
struct PcdComponent {
    std::int64_t offset;
    std::int32_t width;
    std::int32_t height;
    constexpr std::int64_t End() const { return offset + std::int64_t{width} * height * 3 / 2; }
};

// Base/16, Base/4 and Base; step s > 0 reads component s - 1.
inline constexpr PcdComponent kPcdComponents[3] = {
    {4 * kPcdSectorSize, 192, 128},
    {23 * kPcdSectorSize, 384, 256},
    {96 * kPcdSectorSize, 768, 512},
};

// The bytes a reader needs to hold: everything up to the end of Base.
inline constexpr std::int64_t kPcdReadLimit = kPcdComponents[2].End();

// The facts read from a pack's first sectors.
struct PcdLayout {
    int stepCount = 0; // steps whose component is wholly present (at least 2)
    int rotation = 0;  // quarter turns counter-clockwise that show the picture upright
};

// Checks the signature and which components the data holds. Throws
// EPhotoCdError for data that is not an image pack or lacks even Base/16.
PcdLayout ReadPcdLayout(ByteSpan data);

// Width and height of a step after the rotation.
struct PcdDimensions {
    std::int32_t width;
    std::int32_t height;
};
PcdDimensions PcdStepDimensions(int step, int rotation);

// The picture of a step (0 .. stepCount - 1) as a Bits24 Bitmap, upright.
Bitmap DecodePcdStep(ByteSpan data, const PcdLayout& layout, int step);

// One stored component converted from Photo YCC, in stored orientation.
Bitmap DecodePcdComponent(ByteSpan data, const PcdComponent& component);

} // namespace zv
