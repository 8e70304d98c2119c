#pragma once
// The thumbnail cache's sizes, names and folders. Every name is worked out
// from the current settings each time it is needed, so a change of thumbnail
// size, colour or display depth selects another variant folder and a change
// of a file's path, size or write time gives it another thumbnail file name
// (stale files are never read again).
//
// Layout under the cache root:
//   <variant>/                  one per size, colour and depth ("000400.VM6")
//   <variant>/00000001..4       the generic thumbnails (folder, plain file, too large, failed)
//   <variant>/MP3               one shared thumbnail per extension of non-picture files
//   <variant>/<folder hash>/    one folder cache per listed folder
//   <variant>/<folder hash>/<hash>.<len>   one thumbnail per picture file

#include "catalog/Volumes.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

struct AppFolders;

// ---------------------------------------------------------------------------
// Thumbnail sizes

struct ThumbBox {
    int ThumbWidth = 120;
    int ThumbHeight = 90;
    friend bool operator==(const ThumbBox&, const ThumbBox&) = default;
};

// 1 or 2 gives 84 x 63, 3..7 the sizes between, 8 and any other value 224 x 168.
ThumbBox ThumbBoxFor(int thumbSizeIndex);
// A loaded index below 1 becomes 3, one above 8 becomes 8.
int NormaliseThumbSizeIndex(int thumbSizeIndex);
// Without saved settings: 3, or 4 on a screen wider than 1151 pixels, or 5
// on one wider than 1279 pixels.
int DefaultThumbSizeIndex(int screenWidth);

// The options dialog lists these captions; item k stands for index k + 2.
inline constexpr int kThumbSizeOptionCount = 7;
const std::array<std::string_view, kThumbSizeOptionCount>& ThumbSizeCaptions();
int ThumbSizeIndexOfOption(int item);
// The item showing an index (indexes 1 and 2 share the first item).
int ThumbSizeOptionOfIndex(int thumbSizeIndex);

// ---------------------------------------------------------------------------
// Name pieces

// The CRC-32 register (reflected polynomial 0xEDB88320, started at all ones)
// after the bytes of the text, without the final inversion, as 8 upper-case
// hexadecimal digits: "abc" gives "CADBBE3D".
std::string CacheHash(std::string_view text);

// Below 2^30: six digits of five bits each from "0-9A-V", most significant
// first (100 gives "000034"). From 2^30 on: the number in upper-case
// hexadecimal, at least 8 digits.
std::string Base32Digits(std::uint64_t n);

// ---------------------------------------------------------------------------
// Folders

// The cache root for these folders ($XDG_CACHE_HOME/zelvan/data/, or
// $ZELVAN_HOME/cache/data/). Creates nothing.
std::filesystem::path CacheRoot(const AppFolders& appFolders);

// The number a colour setting contributes to the variant folder name: the
// value in hexadecimal with at least 6 digits (a system colour such as
// 0x80000005 has 8), characters 5-6, 3-4 and 1-2 put together and read back.
// A plain colour 0x00BBGGRR thus gives 0xRRGGBB; 0x80000005 gives 0x80.
std::uint32_t ThumbColourNumber(std::uint32_t thumbColour);
// Whether thumbnails are 8-bit (a display of 8 bits or fewer) rather than 24-bit.
bool EightBitThumbs(int screenBits);
// The byte size of a blank thumbnail as a BMP file: 54 + row stride x height,
// plus 1024 for the colour table of an 8-bit one (32454 for 120 x 90 x 24).
std::uint64_t BlankThumbFileSize(ThumbBox box, int screenBits);
// Six characters, a dot and three ("000400.VM6" for the system window colour,
// 120 x 90 and true colour): characters 2-6 of Base32Digits(colour number),
// then character 3 of Base32Digits(blank file size), ".", its characters 4-6.
std::string VariantFolderName(std::uint32_t thumbColour, ThumbBox box, int screenBits);

// The key of a folder cache: the volume string and the folder in upper case
// ending in "/", each line ending in CR LF. Its CacheHash names the folder.
std::string FolderKey(std::string_view volume, std::string_view currentFolder);

struct CachePaths {
    std::filesystem::path root;              // the cache root
    std::filesystem::path variantFolder;     // root / variant name
    std::filesystem::path folderCacheFolder; // variantFolder / CacheHash(folder key)
};

// The paths for these settings and this folder key, creating the three
// folders when missing. Throws std::filesystem::filesystem_error when one
// cannot be made.
CachePaths PrepareCacheFolders(const std::filesystem::path& root, std::string_view variantName,
                               std::string_view folderKey);

// ---------------------------------------------------------------------------
// Thumbnail files

// The key of a picture's thumbnail: the volume string, the full path in upper
// case, the size, the packed write date and the write time of day in
// milliseconds in decimal, each line ending in CR LF.
std::string ThumbKey(std::string_view volume, std::string_view fullPath, std::int32_t size,
                     std::uint32_t fileDate, std::int32_t timeOfDayMs);

// The file name of a thumbnail in its folder cache: CacheHash(key), ".", and
// characters 4-6 of Base32Digits(key length). A key of 32768 bytes or more
// (whose length those three digits cannot hold) gives the length as 8
// hexadecimal digits followed by the hash, without a dot.
std::string ThumbFileName(std::string_view thumbKey);

// The generic thumbnails, named by their number as 8 hexadecimal digits.
inline constexpr int kGenericFolderThumb = 1;
inline constexpr int kGenericFileThumb = 2;
inline constexpr int kGenericTooLargeThumb = 3;
inline constexpr int kGenericFailedThumb = 4;
std::string GenericThumbName(int number);

// The shared thumbnail of a non-picture extension (".mp3" or "MP3" gives
// "MP3"). An extension that is empty, or one that cannot be a plain file name
// here ("/", NUL), shares the generic plain-file thumbnail instead, so the
// name is never the variant folder itself or a path outside it.
std::string ExtensionThumbName(std::string_view extension);

// Whether a thumbnail file counts as made: it exists and is larger than 256
// bytes (a shorter one is a leftover and is made again).
bool ThumbPresent(const std::filesystem::path& path);

// "Rotate by EXIF orientation" as the thumbnails follow it, for the whole
// program (on until set). With it off, the thumbnail of a JPEG file is kept
// under a name of its own (RowThumbPath), so flipping the option makes the
// thumbnails of the other kind instead of showing the ones already made.
void SetThumbExifOrientation(bool on);
bool ThumbExifOrientation();

} // namespace zv
