#pragma once
// The one table of picture formats: a row per format with its name, its
// extensions, its content sniff, its header reader, its page reader, its
// writer and what it can do. A file's format is its extension's row, unless
// the content plainly belongs to another format (a PNG named .bmp); a file
// whose extension names no format is known by its content alone. Adding a
// format is its reader's file pair plus one row here.

#include "formats/DecodedPicture.h"
#include "formats/DibGraphic.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace zv {

enum class FormatId { Bmp, Pcx, Dcx, Tga, Png, Tiff, Ico, Psd, Jpeg, PhotoCd, FlashPix };

// What a page reader is given: the whole file's bytes (or, for readers that
// take the file themselves, only its name), the page (1-based) and the options.
struct PageSource {
    const std::filesystem::path& path;
    int page = 1;
    const DecodeOptions& options;
};

struct FormatRow {
    FormatId id;
    const char* name;       // "BMP"
    const char* extensions; // upper case with their dots: ".BMP.DIB.RLE"
    // True when the first bytes belong to the format (up to kSniffBytes of
    // them); null for formats without a signature, known by extension only.
    bool (*sniff)(ByteSpan head);
    // A weak sniff may match other data by chance: it decides only where
    // the extension names no format.
    bool weakSniff;
    // Size, depth and page count without the pixels (the options choose
    // the Photo CD step); throws the reader's error.
    PictureHeader (*readHeader)(const std::filesystem::path& path, const DecodeOptions& options);
    // One page's pixels; throws the reader's error.
    DecodedPicture (*readPage)(const PageSource& source);
    // The format layer's image class that reads and writes it, or null.
    std::unique_ptr<TDibGraphic> (*newGraphic)();
    bool multiPage;
    // Bit n set when the layer writes n-bit pictures of the format.
    std::uint32_t depthsWritten;
    // Some pages the format layer cannot read go through the imaging
    // library's code (TIFF kinds the layer refuses).
    bool needsLibrary;
    // The extensions the layer writes the format under (".BMP", not ".DIB").
    const char* writeExtensions;
};

// The bytes a sniff may look at: enough for the Photo CD signature at 2048.
inline constexpr std::size_t kSniffBytes = 4096;

std::span<const FormatRow> AllFormats();
const FormatRow& FormatRowOf(FormatId id);

// The row an upper- or lower-case extension with its dot (".png"), or a
// path ending in one, names; null for none.
const FormatRow* FormatForExtension(std::string_view extensionOrPath);
// The row whose sniff takes the bytes; weak sniffs only when allowWeak.
const FormatRow* FormatForContent(ByteSpan head, bool allowWeak = true);
// By extension, then by content: the extension's row unless its sniff
// refuses the bytes (or it has none) and a strong sniff takes them; with no
// extension row, any sniff. Null when neither knows the file (or it cannot
// be read).
const FormatRow* FormatForFile(const std::filesystem::path& path);
const FormatRow* FormatForData(ByteSpan head, std::string_view extensionOrPath);

// The facts of a page read on the imaging library's route, as reports name
// them: class "ImageLibrary", kind "DCX page 2" (the file's extension).
void SetLibraryRouteFacts(DecodedPicture& picture, const std::filesystem::path& path);

// Every extension the table reads / the format layer writes, dot-separated
// in the dialogs' order (".BMP.DIB.RLE.PCX..."), for the open and save
// dialogs' filters and the save dispatch.
std::string ReadableExtensions();
std::string WritableExtensions();
// Whether the layer writes the format at this depth.
bool WritesDepth(const FormatRow& row, int bits);

} // namespace zv
