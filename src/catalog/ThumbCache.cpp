#include "catalog/ThumbCache.h"

#include "platform/AppFolders.h"
#include "platform/FileCrc.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <system_error>

namespace zv {

namespace {

namespace fs = std::filesystem;

constexpr std::array<ThumbBox, 7> kThumbBoxes = {
    {{84, 63}, {120, 90}, {144, 108}, {168, 126}, {188, 141}, {208, 156}, {224, 168}}};

constexpr std::array<std::string_view, kThumbSizeOptionCount> kThumbSizeCaptions = {
    "  84 x 63", "120 x 90", "144 x 108", "168 x 126", "188 x 141", "208 x 156", "224 x 168"};

constexpr std::uint64_t kBmpHeadersSize = 54;
constexpr std::uint64_t kEightBitColourTableSize = 1024;
constexpr std::size_t kLongestShortKey = 32767;
constexpr std::uintmax_t kSmallestPresentThumb = 257;

std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

std::string Hex(std::uint64_t value, int minimumDigits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", minimumDigits,
                  static_cast<unsigned long long>(value));
    return text;
}

// Characters `first`..`last` of a text, counted from 1.
std::string_view Characters(std::string_view text, std::size_t first, std::size_t last) {
    return text.substr(first - 1, last - first + 1);
}

std::string AsFolder(std::string_view path) {
    std::string folder(path);
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

} // namespace

// ---------------------------------------------------------------------------
// Thumbnail sizes

ThumbBox ThumbBoxFor(int thumbSizeIndex) {
    if (thumbSizeIndex == 1 || thumbSizeIndex == 2) return kThumbBoxes[0];
    if (thumbSizeIndex >= 3 && thumbSizeIndex <= 7) return kThumbBoxes[thumbSizeIndex - 2];
    return kThumbBoxes[6];
}

int NormaliseThumbSizeIndex(int thumbSizeIndex) {
    if (thumbSizeIndex < 1) return 3;
    if (thumbSizeIndex > 8) return 8;
    return thumbSizeIndex;
}

int DefaultThumbSizeIndex(int screenWidth) {
    return screenWidth > 1279 ? 5 : screenWidth > 1151 ? 4 : 3;
}

const std::array<std::string_view, kThumbSizeOptionCount>& ThumbSizeCaptions() {
    return kThumbSizeCaptions;
}

int ThumbSizeIndexOfOption(int item) {
    return item + 2;
}

int ThumbSizeOptionOfIndex(int thumbSizeIndex) {
    if (thumbSizeIndex == 1 || thumbSizeIndex == 2) return 0;
    if (thumbSizeIndex >= 3 && thumbSizeIndex <= 8) return thumbSizeIndex - 2;
    return kThumbSizeOptionCount - 1;
}

// ---------------------------------------------------------------------------
// Name pieces

std::string CacheHash(std::string_view text) {
    return CrcText(AlbumCrc(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string Base32Digits(std::uint64_t n) {
    if (n >= (std::uint64_t{1} << 30)) return Hex(n, 8);
    constexpr std::string_view kDigits = "0123456789ABCDEFGHIJKLMNOPQRSTUV";
    std::string digits(6, '0');
    for (int k = 0; k < 6; ++k) digits[5 - k] = kDigits[(n >> (5 * k)) & 31];
    return digits;
}

// ---------------------------------------------------------------------------
// Folders

fs::path CacheRoot(const AppFolders& appFolders) {
    return appFolders.cacheRoot;
}

std::uint32_t ThumbColourNumber(std::uint32_t thumbColour) {
    const std::string hex = Hex(thumbColour, 6);
    const std::string reordered = std::string(Characters(hex, 5, 6)) +
                                  std::string(Characters(hex, 3, 4)) +
                                  std::string(Characters(hex, 1, 2));
    return static_cast<std::uint32_t>(std::stoul(reordered, nullptr, 16));
}

bool EightBitThumbs(int screenBits) {
    return screenBits <= 8;
}

std::uint64_t BlankThumbFileSize(ThumbBox box, int screenBits) {
    const bool eightBit = EightBitThumbs(screenBits);
    const std::uint64_t width = static_cast<std::uint64_t>(std::max(box.ThumbWidth, 0));
    const std::uint64_t height = static_cast<std::uint64_t>(std::max(box.ThumbHeight, 0));
    const std::uint64_t rowBytes = width * (eightBit ? 1 : 3);
    const std::uint64_t stride = (rowBytes + 3) / 4 * 4;
    return kBmpHeadersSize + stride * height + (eightBit ? kEightBitColourTableSize : 0);
}

std::string VariantFolderName(std::uint32_t thumbColour, ThumbBox box, int screenBits) {
    const std::string colour = Base32Digits(ThumbColourNumber(thumbColour));
    const std::string size = Base32Digits(BlankThumbFileSize(box, screenBits));
    return std::string(Characters(colour, 2, 6)) + std::string(Characters(size, 3, 3)) + "." +
           std::string(Characters(size, 4, 6));
}

std::string FolderKey(std::string_view volume, std::string_view currentFolder) {
    return std::string(volume) + "\r\n" + AsciiUpper(AsFolder(currentFolder)) + "\r\n";
}

CachePaths PrepareCacheFolders(const fs::path& root, std::string_view variantName,
                               std::string_view folderKey) {
    CachePaths paths;
    paths.root = root;
    paths.variantFolder = root / variantName;
    paths.folderCacheFolder = paths.variantFolder / CacheHash(folderKey);
    fs::create_directories(paths.folderCacheFolder);
    return paths;
}

// ---------------------------------------------------------------------------
// Thumbnail files

std::string ThumbKey(std::string_view volume, std::string_view fullPath, std::int32_t size,
                     std::uint32_t fileDate, std::int32_t timeOfDayMs) {
    std::string key(volume);
    key += "\r\n";
    key += AsciiUpper(fullPath);
    key += "\r\n" + std::to_string(size) + "\r\n" + std::to_string(fileDate) + "\r\n" +
           std::to_string(timeOfDayMs) + "\r\n";
    return key;
}

std::string ThumbFileName(std::string_view thumbKey) {
    const std::string hash = CacheHash(thumbKey);
    if (thumbKey.size() > kLongestShortKey) return Hex(thumbKey.size(), 8) + hash;
    return hash + "." + std::string(Characters(Base32Digits(thumbKey.size()), 4, 6));
}

std::string GenericThumbName(int number) {
    return Hex(static_cast<std::uint32_t>(number), 8);
}

std::string ExtensionThumbName(std::string_view extension) {
    if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
    if (extension.empty() ||
        extension.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos)
        return GenericThumbName(kGenericFileThumb);
    return AsciiUpper(extension);
}

bool ThumbPresent(const fs::path& path) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    return !error && size >= kSmallestPresentThumb;
}

namespace {
std::atomic<bool> thumbExifOrientation{true};
} // namespace

void SetThumbExifOrientation(bool on) {
    thumbExifOrientation = on;
}

bool ThumbExifOrientation() {
    return thumbExifOrientation;
}

} // namespace zv
