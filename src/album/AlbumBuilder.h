#pragma once
// Albums and picture lists made straight from a folder walk, without the
// album window's editing: the builder writes the album's five data files and
// an AVC header naming them, which the album window then loads; the picture
// list writer writes the instant slideshow's list of paths and its folders.
// Files are written beside their final names and renamed only when the
// build ends, so an abandoned build leaves nothing behind.

#include "album/AlbumScript.h"
#include "album/SlideRecord.h"
#include "catalog/IconCache.h"
#include "catalog/WalkRecords.h"
#include "platform/linux/AtomicFile.h"

#include <array>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zv {

// The names list goes to its file whenever it holds more than this many
// entries after a folder, so a big tree never holds all its names at once.
inline constexpr std::size_t kNamesFlushAfter = 32000;

// Where a build's files go: the data files are dataFolder/<stem><suffix>,
// the AVC header appHome/"Zelvan 7.04"<stem>".avc".
struct AlbumBuildPlaces {
    std::filesystem::path appHome;
    std::filesystem::path dataFolder; // made when missing
    std::string workStem;             // WorkFileStem()
};

// The slide record a walked file becomes: the defaults of its kind, its
// facts, thumbnail pending, no CRC; its name and sequence the running slide
// number.
SlideRecord WalkSlideRecord(const WalkFile& file, std::int32_t number, std::int16_t iconIndex);

class AlbumBuilder : public WalkTarget {
public:
    explicit AlbumBuilder(AlbumBuildPlaces places);
    ~AlbumBuilder() override;

    // Opens the record and name files; a file that cannot be made is named
    // in the text returned.
    std::string Begin(std::size_t expected) override;
    void Clear() override;
    void Folders(const std::vector<WalkFolder>& folders) override;
    void File(const WalkFile& file) override;
    void FolderDone(std::size_t folderIndex) override;
    // Writes the rest and the AVC header; returns the header's path.
    std::string End(const std::vector<std::string>& volumes) override;

    std::filesystem::path DataFilePath(DataFile which) const;
    std::filesystem::path HeaderPath() const;
    std::size_t SlideCount() const { return slides_; }

private:
    void WriteNames();
    void RemoveFiles();

    AlbumBuildPlaces places_;
    std::unique_ptr<AtomicFileStream> records_;
    std::unique_ptr<AtomicFileStream> names_;
    std::vector<std::string> pendingNames_;
    std::vector<std::string> folders_;
    IconCache icons_;
    std::size_t slides_ = 0;
};

// The instant slideshow's picture list: one full path a line, and the
// folder list in a file beside it (none when its path is empty).
class PictureListWriter : public WalkTarget {
public:
    PictureListWriter(std::filesystem::path list, std::filesystem::path folderList);
    ~PictureListWriter() override;

    std::string Begin(std::size_t expected) override;
    void Clear() override;
    void Folders(const std::vector<WalkFolder>& folders) override;
    void File(const WalkFile& file) override;
    // Returns the picture list's path.
    std::string End(const std::vector<std::string>& volumes) override;

    std::size_t PathCount() const { return paths_; }

private:
    std::filesystem::path listPath_;
    std::filesystem::path folderListPath_;
    std::unique_ptr<AtomicFileStream> list_;
    std::vector<std::string> folders_;
    std::size_t paths_ = 0;
};

// The instant slideshow's list and folder files in the data folder:
// <stem>.zvp and <stem>.dir.
std::array<std::filesystem::path, 2> InstantListPaths(const std::filesystem::path& dataFolder,
                                                      const std::string& workStem);

} // namespace zv
