#pragma once
// Saving and loading an album as an AVL script or an AVC catalog, with the
// five data files that hold the album as it is in memory (names, volumes,
// folders, the slide records, comments) in the app home's data/ folder.
//
// The data files of an album are named after its file name and the
// CacheHash of its full path, so two albums of one name in different
// folders keep apart, plus a slot letter: a save writes the slot the
// current script does not point to, then replaces the script, which is
// what makes the new files current, and only then removes the old slot.
// A save that fails at any step leaves the script and the files it points
// to as they were.

#include "album/AlbumScript.h"
#include "album/OldPaths.h"
#include "album/SlideAlbum.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace zv {

inline constexpr std::string_view kCouldNotSaveScript = "Could not save slideshow script.";
inline constexpr std::string_view kCouldNotSaveList = "Could not save bookmark list.";
inline constexpr std::string_view kBadSaveName = "Filename must NOT contain \", [ ] \" characters.";

struct AlbumFileOptions {
    std::filesystem::path dataFolder; // the app home's data/, made when missing
    int screenWidth = 0;
    int screenHeight = 0;
    MissingSlideQuestion missing; // decoding an AVL: a slide's file is missing
    MountOfVolume mounts;         // where volumes are mounted (this machine's when empty)
};

enum class AlbumFileType { Avl, Avc, PictureList };
// ".AVC" (any case) is a catalog, ".ZVP" a picture list, anything else a script.
AlbumFileType AlbumTypeOf(const std::filesystem::path& file);

// The name a save of this type goes to: the type's extension put in place of
// another one or added. Nothing for a name holding "," "[" or "]", which a
// script could not name (the save dialog then says kBadSaveName).
std::optional<std::filesystem::path> AlbumSaveName(const std::filesystem::path& chosen,
                                                   AlbumFileType type);

// The five data file paths of an album file in a slot ('A' or 'B').
std::array<std::filesystem::path, 5> AlbumDataFilePaths(const std::filesystem::path& dataFolder,
                                                        const std::filesystem::path& albumFile,
                                                        char slot);

// Writes the album to the file as its extension says, with its data files
// (a picture list: one full path a line, nothing else). Throws EAlbumError
// "Could not save slideshow script." ("Could not save bookmark list.") on
// any failure.
void SaveAlbum(const std::filesystem::path& file, const SlideAlbum& album,
               const AlbumFileOptions& options);

struct AlbumLoadOutcome {
    bool fromDataFiles = false;
    std::int64_t missing = 0; // slides of an AVL skipped for a missing file
    bool stopped = false;     // the missing-file question stopped the load
    std::int64_t runSlide = 1;
};

// Replaces the album with the file's. A picture list gives a slide per line
// whose file is there, in order (the others are counted as missing). From
// the data files when the header
// names five that exist and are sound; otherwise an AVL's script is
// decoded, and an AVC is refused. Throws EAlbumError with the user's text
// ("Bad AVL file." and the line, "Catalog data files are missing." and the
// paths, a damaged data file and its record); the album is then empty.
AlbumLoadOutcome LoadAlbum(const std::filesystem::path& file, SlideAlbum& album,
                           const AlbumFileOptions& options);

// Writes the script "&Run" plays: the album as an AVL script without data
// files, starting at `startSlide` (1-based), as "Zelvan 7.04_Test.AVL" in
// the app home. Returns its path; throws EAlbumError as SaveAlbum does.
std::filesystem::path WriteTestScript(const std::filesystem::path& appHome, const SlideAlbum& album,
                                      std::int64_t startSlide, const AlbumFileOptions& options);

} // namespace zv
