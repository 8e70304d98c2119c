#pragma once
// The text of the viewer's "I&nfo" command: the picture's size and depth,
// its storage, and the file's name, date, size, checksum, pages and the
// memory the picture uses.

#include <cstdint>
#include <optional>
#include <string>

namespace zv {

struct ImageInformation {
    std::int32_t width = 0; // the size before a scaled decode, when there was one
    std::int32_t height = 0;
    int imageBits = 0;
    int jpegScale = 1; // 2, 4 or 8 after a scaled JPEG decode
    bool scaledDecode = false;
    bool deviceStorage = false; // " ddb", otherwise " dib"
    std::string name;
    std::string path;
    std::string date; // the file's date and time as shown
    std::int64_t fileSize = 0;
    std::optional<std::uint32_t> crc;
    int pages = 1;
    std::int64_t usesBytes = 0;
    int screenBits = 24;
};

// The size line: width "x" height "(" bits ")", " [1:" scale "]" after a
// scaled decode, then " ddb" or " dib".
std::string ImageSizeLine(const ImageInformation& info);

// Every line, separated by "\n": the size line; "Name: " and "Path: " unless
// the JPEG text window shows the file (it has its own); "Date: ", "Size: "
// n " bytes", "CRC: ", "Pages: " when above 1, "Uses: " n " bytes" and
// "Video: " n " bpp".
std::string ImageInformationText(const ImageInformation& info, bool withNameAndPath);

// The bytes a picture of this size and depth uses in memory: width x height
// x bytes a pixel (1-bit an eighth, 4-bit a half; a device picture at the
// display's depth).
std::int64_t PictureMemoryBytes(std::int64_t width, std::int64_t height, int bits);

} // namespace zv
