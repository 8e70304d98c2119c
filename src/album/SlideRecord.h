#pragma once
// One slide of an album as the fixed 136-byte record the album keeps in
// memory and writes unchanged into its "._d_" data file: little-endian
// fields at fixed offsets, unused bytes and the unused characters of its
// strings 0, so equal slides give equal bytes.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace zv {

static_assert(std::endian::native == std::endian::little,
              "slide records are stored as the machine holds them");

// A string of at most N bytes behind a length byte, as the record stores it.
template <std::size_t N> struct ShortString {
    std::uint8_t length = 0;
    char text[N] = {};

    std::string_view View() const { return {text, length <= N ? length : N}; }
    // Stores the text cut to N bytes; the rest is zeroed.
    void Set(std::string_view value) {
        length = static_cast<std::uint8_t>(value.size() < N ? value.size() : N);
        std::memset(text, 0, N);
        std::memcpy(text, value.data(), length);
    }
    bool Empty() const { return length == 0; }
};

inline constexpr std::int16_t kNotApplicable = -1;
inline constexpr std::int16_t kAutomatic = -2;   // positions and panel sizes
inline constexpr std::int32_t kNoBackColor = -2; // backColor: none
inline constexpr std::int32_t kBackColorNotApplicable = -1;
inline constexpr std::int32_t kNoCrc = -1;

struct SlideRecord {
    ShortString<24> thumbName;   // 0: cached thumbnail file name; empty = not computed
    ShortString<12> ext;         // 25: extension with its dot, as on disk; ".CDA" for a CD track
    std::int16_t thumbState = 1; // 38: kThumbPending, kThumbTooLarge, kThumbFailed, kThumbMade
    std::int16_t iconIndex = 0;  // 40: icon number of the file type (one run only)
    std::uint8_t unused42[2] = {};
    std::int32_t nameIndex = 0;   // 44: into the name list
    std::int32_t folderIndex = 0; // 48: into the folder list; 0 for a CD track
    std::uint8_t unused52[4] = {};
    std::int32_t fileSize = 0;      // 56: low 32 bits of the size when added
    std::uint32_t fileDateTime = 0; // 60: local last-write time packed the DOS way
    std::int32_t fileTimeMs = 0;    // 64: the same time as milliseconds since midnight
    std::int32_t sequence = 0;      // 68: sort key of the script or list position
    std::int32_t crc = kNoCrc;      // 72: AlbumCrc of the file
    std::int32_t commentIndex = 0;  // 76: into the comment list; 0 = none
    ShortString<16> thumbFolder;    // 80: thumbnail sub-folder; empty = the variant folder
    std::uint8_t unused97[3] = {};
    std::int32_t userIdx = 0;              // 100
    std::int32_t extraIdx = 0;             // 104
    std::int32_t backColor = kNoBackColor; // 108: 0x00BBGGRR, -2 none, -1 not applicable
    std::int16_t wait = 1;                 // 112: seconds
    std::int16_t effect = 0;               // 114: transition; a CD track's track number
    std::int16_t gamma = 100;              // 116: gamma x 100
    std::int16_t zoom = 100;               // 118: percent
    std::int16_t posX = kAutomatic;        // 120
    std::int16_t posY = kAutomatic;        // 122
    std::int16_t panelW = kAutomatic;      // 124
    std::int16_t panelH = kAutomatic;      // 126
    std::int16_t rotate = 0;               // 128: degrees 0..359
    std::uint16_t width = 0;               // 130: 0 x 0 = unknown
    std::uint16_t height = 0;              // 132
    std::uint8_t unused134[2] = {};
};

inline constexpr std::size_t kSlideRecordSize = 136;
static_assert(sizeof(SlideRecord) == kSlideRecordSize);
static_assert(offsetof(SlideRecord, ext) == 25 && offsetof(SlideRecord, thumbState) == 38);
static_assert(offsetof(SlideRecord, nameIndex) == 44 && offsetof(SlideRecord, fileSize) == 56);
static_assert(offsetof(SlideRecord, thumbFolder) == 80 && offsetof(SlideRecord, userIdx) == 100);
static_assert(offsetof(SlideRecord, wait) == 112 && offsetof(SlideRecord, width) == 130);

// What a slide's extension makes it. The tests are substring tests on the
// upper-cased extension, so a piece of a listed extension (".JP") counts.
enum class SlideKind { Picture, Sound, Other, CdTrack };

inline constexpr std::string_view kSoundSlideExtensions =
    ".WAV.MP2.MP3.MPA.AIF.AIFF.AIFX.MID.RMI.AU.SND.RA.WMA.AVL";
inline constexpr std::string_view kPictureSlideExtensions =
    ".JPG.JPEG.PNG.DCX.PCX.BMP.DIB.TIF.TGA.PCD.PSD.FPX.WMF.EMF";
inline constexpr std::string_view kCdTrackExtension = ".CDA";
// Stands for a CD track where a script or list would hold a file name.
inline constexpr std::string_view kCdTrackMarker = "------------------------------";

SlideKind KindOfExtension(std::string_view extension);
SlideKind KindOf(const SlideRecord& record);

// The facts of a file a new slide records.
struct SlideFileFacts {
    std::int64_t size = 0;
    std::uint32_t dosDateTime = 0; // PackDosDateTime of the local last-write time
    std::int32_t timeOfDayMs = 0;
    std::int16_t iconIndex = 0;
};

// The one way a slide record is made, whether it comes from the add
// commands, a script, a list or the builder: the kind's defaults for the
// extension (kept as written), the file's facts, thumbnail pending, no CRC,
// no comment. Indexes into the lists are the caller's.
SlideRecord NewSlideRecord(std::string_view extension, const SlideFileFacts& facts,
                           std::int32_t sequence);

// A CD track's record: ".CDA", effect = track, wait 1, the rest not applicable.
SlideRecord NewCdTrackRecord(int track, std::uint32_t nowDosDateTime, std::int16_t iconIndex);

// The file facts of a path: size, local write time, or nothing for a missing
// file. Reads nothing but the file's status.
bool ReadSlideFileFacts(const std::string& path, SlideFileFacts& facts);

} // namespace zv
