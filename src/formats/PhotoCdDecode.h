#pragma once
// Decoding of Photo CD image packs. A pack is a run of 2048-byte sectors: a
// blank sector, the image pack information (signature "PCD_IPI" at byte
// 2048, the rotation attribute, media, scanner and rights fields), then the
// uncompressed image components Base/16 (192 x 128), Base/4 (384 x 256) and
// Base (768 x 512), each stored landscape as pairs of luma rows followed by
// one row of each colour difference at half width. Step 0 (96 x 64) is
// Base/16 halved. 4Base (1536 x 1024) and 16Base (3072 x 2048) follow as
// Huffman-coded residuals (see PhotoCdResiduals.h): the 4Base tables four
// sectors after Base, the 16Base tables twelve sectors after the 4Base
// stream. The pack's attribute byte says how many of them it holds.

#include "formats/ByteReader.h"
#include "formats/PhotoCdResiduals.h"
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
inline constexpr int kPcdMaxSteps = 6; // steps 0..5 (64 x 96 .. 2048 x 3072)

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

// Where the 4Base code table lies: four sectors past the end of Base.
inline constexpr std::int64_t kPcd4BaseTables = kPcdComponents[2].End() + 4 * kPcdSectorSize;
// The 16Base code tables lie this far past the sector holding the end of the
// 4Base stream.
inline constexpr std::int64_t kPcd16BaseGap = 12 * kPcdSectorSize;

// The most a reader holds of a file: a whole pack with its 16Base residuals
// takes about 5 MB; anything past this is not part of a pack.
inline constexpr std::int64_t kPcdReadLimit = 32 * 1024 * 1024;

// The facts read from a pack's first sectors.
struct PcdLayout {
    int stepCount = 0; // steps the pack holds: uncompressed components wholly present (at
                       // least 2), then 4Base and 16Base when the attributes name them and
                       // the 4Base code table is readable
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
// Throws EPhotoCdError when the residuals of a large step are damaged.
Bitmap DecodePcdStep(ByteSpan data, const PcdLayout& layout, int step);

// One stored component converted from Photo YCC, in stored orientation.
Bitmap DecodePcdComponent(ByteSpan data, const PcdComponent& component);

// One stored component's planes, and planes converted from Photo YCC.
PcdPlanes ReadPcdPlanes(ByteSpan data, const PcdComponent& component);
Bitmap ConvertPcdPlanes(const PcdPlanes& planes);

} // namespace zv
