#pragma once
// Our Photo CD reader behind the PCD operations: image packs opened behind
// integer handles, a resolution step chosen (step s is 64·2^s x 96·2^s), and
// the picture handed out as a packed bitmap. ImportPCD is the whole import
// the viewer and slideshows run, with the information text it shows.

#include "formats/ByteReader.h"
#include "formats/PhotoCdDecode.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zv {

using PcdHandle = int;

// PCDsetFormat values.
inline constexpr int kPcdFormatRgb24 = 11;
inline constexpr int kPcdFormatPalette8 = 8;

// The step shown in slideshows and stored by default: 512 x 768.
inline constexpr int kPcdDefaultStep = 3;

// Bytes of the colour table that follows the 40-byte header of a loaded block.
inline constexpr std::int64_t kPcdColourTableSize = 1024;

struct PcdAttributes {
    std::uint8_t encryptionMask = 0; // steps that are encrypted (never, for the packs read here)
    std::uint8_t watermark = 0;
};

// The size at the current step, after the picture's rotation.
struct PcdSize {
    std::uint16_t height = 0;
    std::uint16_t width = 0;
};

// The image pack information block. Texts are trimmed and in UTF-8.
struct PcdImageInfo {
    std::uint8_t version = 0; // the information block's major version
    std::string mediaType[2]; // the medium ("color negative" ...) and the film product
    std::string scanner;      // scanner maker and model
    bool hasPhotofinisher = false;
    std::string photofinisher;
    bool rights = false;    // the disc names a rights file for this picture
    std::string rightsFile; // that file's name, empty when it is not a plain name
};

class PhotoCdLibrary {
public:
    PhotoCdLibrary();
    ~PhotoCdLibrary();
    PhotoCdLibrary(const PhotoCdLibrary&) = delete;
    PhotoCdLibrary& operator=(const PhotoCdLibrary&) = delete;

    // Throws EPhotoCdError when the file cannot be read or is no image pack.
    void PCDopen(const std::string& path, PcdHandle& handle);
    // The same for a pack held in memory (the bytes are copied).
    void PCDopenMem(ByteSpan data, PcdHandle& handle);
    void PCDclose(PcdHandle handle);

    // Every operation below throws EPhotoCdError for an unknown handle.
    PcdAttributes PCDgetAttributes(PcdHandle handle) const;
    // Bit s of mask is set for each step s the file holds; count is their number.
    void PCDgetCount(PcdHandle handle, std::uint16_t& mask, std::uint16_t& count) const;
    // Throws for a step the file does not hold.
    void PCDsetResolution(PcdHandle handle, int step);
    int PCDgetResolution(PcdHandle handle) const;
    PcdSize PCDgetSize(PcdHandle handle) const;
    PcdImageInfo PCDreadImageInfo(PcdHandle handle) const;
    // kPcdFormatRgb24 or kPcdFormatPalette8; anything else throws.
    void PCDsetFormat(PcdHandle handle, int format);
    // The picture at the current step and format: a 40-byte header (colours
    // used 256), a 1024-byte colour table (zero for 24 bits) and the rows
    // bottom-up, each padded to 4 bytes.
    std::vector<std::uint8_t> PCDloadImage(PcdHandle handle) const;
    static void PCDfreeBitmap(std::vector<std::uint8_t>& block);

    std::size_t OpenCount() const { return packs_.size(); }

private:
    struct Pack;
    Pack& Find(PcdHandle handle);
    const Pack& Find(PcdHandle handle) const;
    PcdHandle Add(std::vector<std::uint8_t> bytes);

    std::map<PcdHandle, std::unique_ptr<Pack>> packs_;
    PcdHandle nextHandle_ = 1;
};

// Steps that may be loaded: all of them, or with encryption the bit length
// of the resolution mask without the encrypted steps.
int AllowedPcdSteps(int count, std::uint16_t mask, std::uint8_t encryptionMask);
// The wanted step limited to the file's largest and its largest allowed step.
int ChoosePcdStep(int wanted, int count, std::uint16_t mask, std::uint8_t encryptionMask);

// Everything the information text reports.
struct PcdInfoFacts {
    PcdSize size;
    int count = 0;
    int allowed = 0;
    int step = 0;
    PcdAttributes attributes;
    PcdImageInfo info;
    bool offerRights = false; // the rights file exists and may be opened
};
std::string PcdInfoText(const PcdInfoFacts& facts);

// The picture's rights file: <disc root>/photo_cd/rights/<name>, where the
// disc root is the folder holding "photo_cd" above the picture or else the
// mount point of its file system; folder and file names match in any case.
// Empty when the name is not a plain file name or the file does not exist.
std::string PcdRightsFile(const std::string& picturePath, const std::string& name);

struct PcdImport {
    std::vector<std::uint8_t> packedDib; // 40-byte header and rows, no colour table
    std::int32_t width = 0;
    std::int32_t height = 0;
    int step = 0;
    std::string info;       // empty for slideshows
    std::string rightsFile; // set when the text offers the rights file
};

// Opens the file, loads the chosen step as 24-bit colour and closes it.
// Throws EPhotoCdError when the file cannot be read.
PcdImport ImportPCD(PhotoCdLibrary& library, const std::string& path, int wantedStep,
                    bool slideshow);

// The probe's question: the size at the chosen step, or nothing when the file
// cannot be opened (the probe's failure code 9999).
std::optional<PcdSize> ProbePCD(PhotoCdLibrary& library, const std::string& path, int wantedStep);

} // namespace zv
