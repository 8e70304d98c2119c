#pragma once
// What the BMP, PCX and TGA readers and writers share: the codec's error
// reporting, the limits a picture must meet before its pixels are made, and
// reading the head of a file for the header-only probes.

#include "formats/ByteReader.h"
#include "formats/DibGraphic.h"
#include "formats/GraphicErrors.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

namespace zv::gbm {

// The only texts the user sees from the codec.
inline constexpr const char* kGuessFiletypeFailed = "gbm_guess_filetype failed.";
inline constexpr const char* kReadHeaderFailed = "gbm_read_header failed.";
inline constexpr const char* kReadDataFailed = "gbm_read_data failed.";
inline constexpr const char* kWriteFailed = "gbm_write failed.";
inline constexpr const char* kInvalidImageFormat = "Invalid image format";

// An EGbmError whose message is one of the texts above and which also keeps
// the codec's own reason ("bad magic number"), for logs and tests.
class ECodecError : public EGbmError {
public:
    ECodecError(const char* message, std::string reason)
        : EGbmError(message), reason_(std::move(reason)) {}
    const std::string& Reason() const { return reason_; }

private:
    std::string reason_;
};

[[noreturn]] void Fail(const char* message, const std::string& reason);

// Runs one stage of the codec; running off the end of the data becomes that
// stage's error.
template <typename Work> decltype(auto) Stage(const char* message, Work&& work) {
    try {
        return work();
    } catch (const EReadPastEnd&) {
        Fail(message, "the data ends early");
    }
}

// The most pixel storage any of the three readers makes.
inline constexpr std::int64_t kMostImageBytes = kMaxLayerImageBytes;

// Refuses, before anything is allocated, a picture whose storage exceeds
// kMostImageBytes or the bytes its data could fill (fillable, computed by
// the caller from the data's length and the format's densest encoding).
void CheckStorage(std::int64_t width, std::int64_t height, int bits, std::int64_t fillable);

// The first at most maxBytes bytes of a file, for reading its header.
Bytes ReadHead(const std::filesystem::path& path, std::size_t maxBytes);

// Perceived brightness of a palette entry, to order the two colours of a
// 1-bit picture.
int Brightness(const PaletteEntry& entry);

// 16-bit pixels of five bits a channel (x rrrrr ggggg bbbbb), widened to 8 bits.
void Put555(std::uint16_t pixel, std::uint8_t* bgr);

} // namespace zv::gbm
