#pragma once
// The album in memory: a store of fixed slide records that only grows while
// the album is open (a record's number never changes), the slide order (the
// record number of each slide, which every reordering permutes), and the
// four lists the records point into: names, folders with their volumes, and
// comments. Built for a million slides: flat vectors, one record and one
// name string per slide, folders interned.

#include "album/SlideRecord.h"
#include "catalog/IconCache.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zv {

// The comment list's entry 0: no comment.
inline constexpr std::string_view kNoComment = " ";

// The volume string of a folder ("LABEL.SERIAL", or empty).
using VolumeOfFolder = std::function<std::string(const std::string& folder)>;

// The parts of a slide's full path: folder (ending in "/"), name without
// extension, and extension with its dot, all as written.
struct SlidePathParts {
    std::string folder;
    std::string name;
    std::string ext;
};
SlidePathParts SplitSlidePath(std::string_view path);

// Whether a text read from a file may be used as a thumbnail name or
// thumbnail folder: the album joins them to the cache folder and deletes
// what they name, so only names the cache gives out are taken.
bool IsThumbNameShape(std::string_view name);
bool IsThumbFolderShape(std::string_view folder);

class SlideAlbum {
public:
    SlideAlbum();

    // A new, empty album: no records, no slides, the comment list " ".
    void Clear();

    int Count() const { return static_cast<int>(order_.size()); }
    int RecordCount() const { return static_cast<int>(records_.size()); }
    const std::vector<std::int32_t>& Order() const { return order_; }
    std::vector<std::int32_t>& MutableOrder() { return order_; }
    const std::vector<SlideRecord>& Records() const { return records_; }
    const std::vector<std::string>& Names() const { return names_; }
    const std::vector<std::string>& Folders() const { return folders_; }
    const std::vector<std::string>& Volumes() const { return volumes_; }
    const std::vector<std::string>& Comments() const { return comments_; }

    SlideRecord& Slide(int position) { return records_[order_[position]]; }
    const SlideRecord& Slide(int position) const { return records_[order_[position]]; }

    // folder + name + extension of the slide.
    std::string SlidePath(int position) const;
    std::string_view NameOf(int position) const;
    // The slide's comment; empty for none.
    std::string_view CommentOf(int position) const;

    // The folder's index in the folder list, appended with its volume when
    // new. Folders compare exactly.
    std::int32_t InternFolder(const std::string& folder);
    // How the volume of a new folder is found (VolumeString by default).
    void SetVolumeOf(VolumeOfFolder volumeOf) { volumeOf_ = std::move(volumeOf); }

    // Inserts a slide in front of `position` (Count() appends) for a file
    // with these facts. A name or extension holding a line break is refused
    // (it would shift the lines of the list files): false, album unchanged.
    // False too, album unchanged, when memory runs out.
    bool AddSlide(const SlidePathParts& parts, const SlideFileFacts& facts, int position,
                  std::int32_t sequence);
    // The same for a file on disk, its facts read from its status; false for
    // a missing file or one that is not a regular file.
    bool AddFile(std::string_view path, int position, std::int32_t sequence);
    // A CD track in front of `position`, with its own copy of the comment of
    // the slide it is inserted before (none when it goes last).
    bool InsertCdTrack(int track, int position, std::uint32_t nowDosDateTime);

    // Removes the slides at these positions (ascending) from the order; their
    // records, names and comments stay in the store.
    void Cut(const std::vector<int>& positions);
    // Takes the slides at these positions (ascending) out and puts them back
    // as one block, in their order, in front of the first slide not among
    // them at or after `target` (at the end when there is none). Returns
    // their new positions.
    std::vector<int> Relocate(const std::vector<int>& positions, int target);

    // Gives the slide the comment. Line breaks become spaces, so a comment
    // is always one line of the comment file. A slide without a comment gets
    // a new entry; one with a comment has its entry rewritten.
    void SetComment(int position, std::string_view comment);
    // No slide has a comment any more; the comment list is " " again.
    void ClearComments();

    // Stores the AlbumCrc of the slide's file; false when it cannot be read.
    bool ComputeCrc(int position);

    // Works out the slide's thumbnail file name and sub-folder from its
    // facts, on the given volume, and stores them in the record.
    void ComputeThumbNames(int position, std::string_view volume);

    // Replaces the whole album with records and lists read from files. The
    // records are checked by the caller; here their icon numbers are given
    // again and thumbnail names of the wrong shape are dropped.
    void Restore(std::vector<SlideRecord> records, std::vector<std::string> names,
                 std::vector<std::string> folders, std::vector<std::string> volumes,
                 std::vector<std::string> comments);

    // Moves folder k of the folder list to another path (a folder of an old
    // file found on this machine); its slides follow.
    void ReplaceFolder(std::int32_t k, const std::string& folder);
    // The slide's file name and extension as found on disk.
    void SetFileName(int position, const SlidePathParts& parts);

    // Room for `count` more slides; false when memory runs out.
    bool Reserve(std::size_t count);

private:
    std::vector<SlideRecord> records_;
    std::vector<std::int32_t> order_;
    std::vector<std::string> names_;
    std::vector<std::string> folders_;
    std::vector<std::string> volumes_;
    std::vector<std::string> comments_;
    std::unordered_map<std::string, std::int32_t> folderIndex_;
    IconCache icons_;
    VolumeOfFolder volumeOf_;
};

} // namespace zv
