#pragma once
// The album's text scripts: the AVL slideshow script (a header, the folder
// list, one section per slide) and the header an AVC catalog shares with it.
// Written as UTF-8 with CR LF; read with CR LF, LF or CR line ends. The one
// reader of the header, the directory and the slide sections, which
// slideshow playback reads scripts through as well.

#include "album/SlideAlbum.h"

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// Refusals of album files, with the text the user sees.
class EAlbumError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::string_view kBadAvlFile = "Bad AVL file.";

// "," "[" "]" as "?" "<" ">", so a value never holds a script's separators;
// and back. A literal "?", "<" or ">" thus reads back changed, which is why
// the reader also tries a name as written.
std::string ScriptEscape(std::string_view text);
std::string ScriptUnescape(std::string_view text);

// The five data files, in the order of the header's keys.
enum DataFile { kNamesFile, kVolumesFile, kFoldersFile, kRecordsFile, kCommentsFile };
inline constexpr std::array<std::string_view, 5> kDataFileKeys = {"@N", "@V", "@R", "@D", "@C"};
inline constexpr std::array<std::string_view, 5> kDataFileSuffixes = {"._n_", "._v_", "._r_",
                                                                      "._d_", "._c_"};

struct ScriptHeader {
    int screenWidth = 0;
    int screenHeight = 0;
    std::array<std::string, 5> dataFiles; // empty when there are none
    std::int64_t runSlide = 1;            // 1-based slide playback starts at
    std::int64_t slideCount = 0;          // N - 1; 0 when N is missing or below 1
    std::vector<std::string> folders;     // the directory section, unescaped
    std::size_t firstSlideOffset = 0;     // where the line "[1]" starts; 0 when none
    int firstSlideLine = 0;
};

// The header and directory lines of an AVL or AVC script (the text before
// the first slide section). Throws EAlbumError "Bad AVL file." plus
// "\nLine <n>: " and what was expected for a misnumbered directory line,
// and, when `needFirstSlide`, for a script without a line "[1]" (unless
// its "N=1" says it holds no slides).
ScriptHeader ReadScriptHeader(std::string_view bytes, bool needFirstSlide);

// The whole AVL script of the album: header, directory, a section per slide.
std::string WriteAvlScript(const SlideAlbum& album, const ScriptHeader& header);
// An AVC catalog's script: the header and an empty directory.
std::string WriteAvcScript(const SlideAlbum& album, const ScriptHeader& header);

// What the decoder does with a slide whose file is missing or empty: true
// skips it (and asks no more), false stops the load.
using MissingSlideQuestion = std::function<bool(std::int64_t slide, const std::string& path)>;

struct DecodeOutcome {
    std::int64_t missing = 0; // slides skipped because their file is missing or empty
    bool stopped = false;     // the question stopped the load; the album is empty
};

// Decodes the slide sections into the album (cleared first), looking each
// file up on disk. Throws EAlbumError "Bad AVL file." plus the line for a
// section that is missing or out of order; the album is then empty.
DecodeOutcome DecodeAvlScript(std::string_view bytes, const ScriptHeader& header, SlideAlbum& album,
                              const MissingSlideQuestion& missing);

} // namespace zv
