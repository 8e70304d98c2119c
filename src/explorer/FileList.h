#pragma once
// The explorer's file list as plain data: one fixed-shape FileRecord per
// entry of the current folder, kept in a RecordStore that only grows, and a
// ViewOrder of record numbers that the sorts permute (records never move).
// Row i of the list shows record ViewOrder[i]; everything that starts from a
// row goes through ViewOrder. Also here: the row texts of the Details view,
// the status bar and caption texts, and the selection and search commands as
// pure functions over the records and the current selection.

#include "catalog/CompareWords.h"
#include "catalog/MediaExtensions.h"
#include "catalog/ThumbStates.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

class FolderComments;

// ---------------------------------------------------------------------------
// Records

// Longest texts a record holds; longer ones are cut (at a character boundary).
inline constexpr std::size_t kMaxNameLength = 255;
inline constexpr std::size_t kMaxDrivePathLength = 41;
inline constexpr std::size_t kMaxHiddenExtLength = 12;
inline constexpr std::size_t kMaxTypeTextLength = 16;

struct FileRecord {
    std::string Name;       // the name the list shows
    std::string DrivePath;  // in the drives view: the drive's root path; empty otherwise
    std::string HiddenExt;  // the upper-case extension the shown name leaves out ("" on Linux)
    std::string TypeText;   // "Type/Dimensions" text; empty until first computed
    std::string SortPrefix; // " " for a folder (folders sort first), "" for a file
    std::int16_t ThumbState = kThumbPending;
    std::int16_t IconIndex = 0;   // see IconCache in Listing.h
    std::int32_t Size = 0;        // low 32 bits of the size in bytes; 0 for folders
    std::uint32_t FileDate = 0;   // local last-write time packed as a DOS date and time
    std::int32_t TimeOfDayMs = 0; // milliseconds since local midnight of the last write
    std::int16_t Removed = 0;     // -1 once a refresh finds the entry gone
    std::int16_t WasSelected = 0; // the selection a refresh remembers
    // The entry's real name in its folder, exactly as on disk. Opening,
    // renaming and deleting a row use this, never a name rebuilt from Name.
    std::string FileName;

    bool IsFolder() const { return ThumbState == kThumbFolder; }
};

// The records of the current folder back to back. It starts with room for
// 2048 records; a listing that needs more makes room for twice what it needs.
// It never shrinks, so record numbers stay valid until the next listing.
class RecordStore {
public:
    static constexpr std::size_t kInitialCapacity = 2048;

    RecordStore();

    // Drops every record; the room stays.
    void Clear();
    // Makes room for `count` records: when there is less, room for 2 x count.
    void EnsureRoom(std::size_t count);
    // Appends the record and returns its record number.
    int Append(FileRecord record);

    int Count() const { return static_cast<int>(records_.size()); }
    std::size_t Capacity() const { return records_.capacity(); }
    bool Contains(int recordNumber) const { return recordNumber >= 0 && recordNumber < Count(); }
    FileRecord& operator[](int recordNumber) { return records_[recordNumber]; }
    const FileRecord& operator[](int recordNumber) const { return records_[recordNumber]; }

private:
    std::vector<FileRecord> records_;
};

// Row i of the list shows record ViewOrder[i].
using ViewOrder = std::vector<int>;

// The record a row shows, or nullptr for a row beyond the list or the store.
FileRecord* RowRecord(RecordStore& store, const ViewOrder& order, int row);
const FileRecord* RowRecord(const RecordStore& store, const ViewOrder& order, int row);

// ---------------------------------------------------------------------------
// Paths

// The full path of a record: the folder (ending in "/") followed by the
// record's real file name. A record without one (made by hand) falls back to
// Name, plus HiddenExt when Name has no extension. In the drives view the
// path is the record's DrivePath.
std::string RecordPath(const std::string& folder, const FileRecord& record,
                       bool drivesView = false);

// The name a record is known by in its folder's comment files.
std::string CommentKey(const FileRecord& record);

// ---------------------------------------------------------------------------
// Sorting

enum class SortKind {
    NameAscending,  // "&Name +"
    NameDescending, // "Na&me -"
    SizeAscending,  // "&Size   +"
    SizeDescending, // "Si&ze   -"
    DateAscending,  // "&Date  +"
    DateDescending, // "D&ate  -"
    Type,           // "&Type"
    Family          // "&Family"
};

// The menu caption of a sort command, with its mnemonic.
std::string_view SortCaption(SortKind kind);

// The keys the orders compare: SortPrefix + Name + HiddenExt; SortPrefix +
// (HiddenExt, or Name's extension, at most 12 characters) + Name; and the
// family part of Name + HiddenExt, from its last space (included) to the
// end, or the whole text when it has no space.
std::string NameSortKey(const FileRecord& record);
std::string TypeSortKey(const FileRecord& record);
std::string FamilySortKey(const FileRecord& record);

// Permutes `order` (which must hold valid record numbers) by the sort; the
// records stay where they are. Equal keys end in no particular order.
void SortViewOrder(const RecordStore& store, ViewOrder& order, SortKind kind);

// The columns of the Details view, in order.
enum class DetailsColumn { Name, Size, DateModified, TypeDimensions, Comment };
struct DetailsColumnInfo {
    DetailsColumn column;
    std::string_view caption;
    int width; // pixels; 0 = whatever is left
    bool alignRight;
};
inline constexpr DetailsColumnInfo kDetailsColumns[] = {
    {DetailsColumn::Name, "Name", 150, false},
    {DetailsColumn::Size, "Size", 60, true},
    {DetailsColumn::DateModified, "Date Modified", 150, false},
    {DetailsColumn::TypeDimensions, "Type/Dimensions", 120, false},
    {DetailsColumn::Comment, "Comment", 0, false},
};

// The remembered directions of the name, size and date sorts (ascending =
// false). A sort command remembers its own direction; a click on a column
// header sorts in the remembered direction and then flips it, so clicks
// alternate: from the start two clicks on "Size" sort ascending then
// descending, after "Si&ze   -" descending then ascending.
class SortDirections {
public:
    // Notes the direction of a sort command that was run.
    void Remember(SortKind kind);
    // The sort a click on the header of the column runs, or nothing for a
    // column that does not sort ("Type/Dimensions", "Comment").
    std::optional<SortKind> HeaderClick(DetailsColumn column);

    bool nameDescending = false;
    bool sizeDescending = false;
    bool dateDescending = false;
};

// ---------------------------------------------------------------------------
// Row texts

// Width, height and bits per pixel of a picture file, as the picture
// information query of the loader gives them.
struct PictureSize {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
};
// Asks the loader for a picture's size; nothing when it cannot tell.
using PictureSizeQuery = std::function<std::optional<PictureSize>(const std::string& path)>;

// "Size" column: Size div 1024 (towards zero) and " KB".
std::string SizeColumnText(const FileRecord& record);
// "Date Modified" column: FileDate as the locale's short date and time
// (strftime "%x %X" under the current LC_TIME).
std::string DateColumnText(const FileRecord& record);
// The "Type/Dimensions" text of a record, computed: a folder "Folder"; a
// picture file (extension in ImageExtensions) ".JPG 1024x768(24" — the
// extension, a space, width "x" height "(" bits ")" cut to 16 characters,
// or the extension alone when the query fails or is empty; another file
// its upper-case extension with the dot.
std::string ComputeTypeText(const std::string& path, const FileRecord& record,
                            const PictureSizeQuery& query);
// The record's TypeText, computed and stored in the record when empty.
const std::string& EnsureTypeText(FileRecord& record, const std::string& folder,
                                  const PictureSizeQuery& query);
// "Comment" column: the record's comment; empty unless the comments are loaded.
std::string CommentColumnText(const FileRecord& record, const FolderComments& comments);

// The Details view's sub-item texts of a record in column order (Size, Date
// Modified, Type/Dimensions, Comment); computes and caches TypeText.
std::vector<std::string> DetailsSubItems(FileRecord& record, const std::string& folder,
                                         const PictureSizeQuery& query,
                                         const FolderComments& comments);

// ---------------------------------------------------------------------------
// Status bar and caption

// The three status panels the list uses (panel 4 is not ours); a panel
// that is not used is empty and shrinks to 1 pixel, a used one is as wide
// as its text plus 12 pixels.
struct StatusTexts {
    std::string panel1;
    std::string panel2;
    std::string panel3;
};

// The row indices that are selected, in row order.
using RowSelection = std::vector<int>;

// In the drives view "My Computer"; nothing selected: row count +
// " object(s)"; one row: "item selected", its TypeText (computed and
// cached), and for a file "<KB> KB, " (from 1024 bytes on) or "<n> bytes, "
// then the date and time (for a folder only the date and time); several
// rows: count + " object(s) selected".
StatusTexts BuildStatusTexts(RecordStore& store, const ViewOrder& order,
                             const RowSelection& selected, bool drivesView,
                             const std::string& folder, const PictureSizeQuery& query);

// The text alone in panel 1 while a listing runs.
inline constexpr std::string_view kListingStatus = "Listing ...";
inline constexpr std::string_view kMyComputer = "My Computer";

// "Zelvan 7.04 .. " followed by the display name of the drive and folder.
std::string WindowCaption(const std::string& folderDisplayName);

// ---------------------------------------------------------------------------
// Selection commands. Each returns the rows to select afterwards (in row
// order); the window applies them, then refreshes menu states and status.

inline constexpr std::string_view kFindCaption = "Enter partial DisplayName to find.";
inline constexpr std::string_view kFindPrompt = "e.g., \"fav\" to find \"myfavpic\"";
inline constexpr std::string_view kQueryCaption = "Query Comments for keyword (text)";
inline constexpr std::string_view kQueryPrompt = "Enter keyword.";
inline constexpr std::string_view kNoMatchPrefix = "No match found for\n";

// "Select &All": every row; nothing in the drives view (the selection stays).
std::optional<RowSelection> SelectAllRows(int rowCount, bool drivesView);
// "Select All &Files": exactly the file rows.
RowSelection SelectAllFiles(const RecordStore& store, const ViewOrder& order);
// "Select All Imag&es": exactly the rows whose extension is in the list
// (MediaExtensions; the web page command passes SlideExtensions).
RowSelection SelectAllImages(const RecordStore& store, const ViewOrder& order,
                             std::string_view extensions = MediaExtensions);
// "&Invert selection".
RowSelection InvertSelection(int rowCount, const RowSelection& selected);

// Outcome of "&Find filename" and "&Query comments".
struct SearchResult {
    bool ran = false;      // false: fewer than two rows, nothing changes and nothing is shown
    RowSelection selected; // the selection afterwards
    std::string message;   // "No match found for\n" + text when nothing is selected afterwards
};
// Exactly the rows whose Name contains the text, compared in lower case. An
// empty text matches nothing.
SearchResult FindFilename(const RecordStore& store, const ViewOrder& order, std::string_view text);
// Adds to the selection the rows whose comment contains the keyword, compared
// in lower case; the comments must be loaded. An empty keyword matches nothing.
SearchResult QueryComments(const RecordStore& store, const ViewOrder& order,
                           const RowSelection& selected, const FolderComments& comments,
                           std::string_view keyword);

// Type-ahead: the first row from the top whose Name starts with the letter
// (any case) and that is not selected yet; nothing for a key other than A-Z.
std::optional<int> FindKeyItem(const RecordStore& store, const ViewOrder& order,
                               const RowSelection& selected, char letter);

} // namespace zv
