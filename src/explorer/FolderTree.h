#pragma once
// The explorer's folder tree as a plain model that reads folders only when a
// node is opened. Top-level nodes are the known drives (data = the drive's
// index in the drive list); below them folder nodes whose text is the folder's
// name and whose data is its last-write time packed as a DOS date. A node not
// read yet has a single placeholder child with the text ".", so a view shows
// it as expandable. Folders whose names start with a dot are hidden like a
// file manager hides them, but a path that goes through one still selects it:
// the tree then adds that one folder's node.
//
// Node handles (FolderNode*) stay valid until their parent is read again or
// reset (Reread, Reset, CloseDrives) or the tree is re-initialised.

#include "explorer/Drives.h"

#include <array>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// One subfolder as the file system reports it.
struct SubfolderInfo {
    std::string name;
    std::time_t lastWrite = 0;
    bool hasSubfolders = false; // at least one subfolder whose name does not start with "."
};

// Where the tree reads folders from; tests use a temporary folder or a fake.
class FolderSource {
public:
    virtual ~FolderSource() = default;
    // Every subfolder of the folder (a path ending in "/"), dot-names
    // included, "." and ".." excluded, in any order; nothing when the folder
    // cannot be read.
    virtual std::optional<std::vector<SubfolderInfo>>
    ListSubfolders(const std::string& folder) const = 0;
};

// The real file system. Symbolic links to folders count as folders.
class DiskFolderSource : public FolderSource {
public:
    std::optional<std::vector<SubfolderInfo>>
    ListSubfolders(const std::string& folder) const override;
};

// The order of folder nodes after reading: characters compare as space and
// punctuation, then digits, then letters (ASCII letters without regard to
// case, bytes above 127 after them by value); when two names differ only in
// case, the lower-case letter comes first. Deterministic, whatever the
// user's locale, and distinct names never compare equal.
bool FolderNameLess(std::string_view a, std::string_view b);

// The tree's "&Arrange by" orders, in menu order.
enum class TreeSort { NameAscending, NameDescending, DateAscending, DateDescending, Family };
inline constexpr std::array<const char*, 5> kTreeSortCaptions = {"Name +", "Name -", "Date  +",
                                                                 "Date  -", "Family"};

// "&Locate" dialog texts.
inline constexpr const char* kLocateCaption = "Enter partial Folder Display Name to find.";
// "e.g., \"Download\" to find \"MyWebDownloads\"", or with Shift held
// "e.g., \"MyWeb\" to find \"MyWebDownloads\"".
std::string LocatePrompt(bool shift);

class FolderNode {
public:
    const std::string& Text() const { return text_; }
    // Drive nodes: the drive's index. Folder nodes: the packed last-write time.
    std::uint32_t Data() const { return data_; }
    FolderNode* Parent() const { return parent_; }
    bool IsDrive() const { return parent_ == nullptr && !placeholder_; }
    bool IsPlaceholder() const { return placeholder_; }
    // Not read yet: the only child is the placeholder.
    bool IsUnread() const { return children_.size() == 1 && children_[0]->placeholder_; }
    bool IsExpanded() const { return expanded_; }
    // Folder children in display order, or the single placeholder.
    const std::vector<std::unique_ptr<FolderNode>>& Children() const { return children_; }

private:
    friend class FolderTree;
    std::string text_;
    std::uint32_t data_ = 0;
    FolderNode* parent_ = nullptr;
    bool placeholder_ = false;
    bool expanded_ = false;
    std::vector<std::unique_ptr<FolderNode>> children_;
};

class FolderTree {
public:
    explicit FolderTree(const FolderSource& source) : source_(source) {}

    // One unread top-level node per drive, in list order, with the drive's
    // display name as text. Any previous nodes are dropped.
    void Init(std::vector<KnownDrive> drives);
    const std::vector<KnownDrive>& Drives() const { return drives_; }
    const std::vector<std::unique_ptr<FolderNode>>& Roots() const { return roots_; }
    // The top-level node of a drive index, or nullptr.
    FolderNode* DriveNode(int driveIndex) const;
    // The node's place among its siblings (its parent's children, or the
    // top-level nodes); -1 when it is not in this tree.
    int IndexOf(const FolderNode& node) const;

    enum class ExpandResult {
        Expanded, // read now or before; the node is marked expanded
        Refused   // a drive that cannot be read: it keeps its placeholder and the
                  // explorer warns with kCannotAccessText
    };
    // Opens a node, reading its subfolders first when it is unread: one child
    // per subfolder not starting with ".", sorted by FolderNameLess, each with
    // a placeholder when it has subfolders. A folder that cannot be read gets
    // no children. Placeholders cannot be expanded (Refused).
    ExpandResult Expand(FolderNode& node);
    // Marks the node closed; its children stay.
    void Collapse(FolderNode& node) { node.expanded_ = false; }
    // Closes the node and returns it to the unread state (its children are deleted).
    void Reset(FolderNode& node);
    // Reset, then Expand: shows folders added or removed since the last read.
    ExpandResult Reread(FolderNode& node);

    // The folder of a node: the drive root followed by the node texts below
    // it, each ending in "/". Empty for a placeholder.
    std::string NodePath(const FolderNode& node) const;

    // Selects the folder of a path (ending in "/" or not): the drive node by
    // GetDriveIndex, then each component among the children, matched exactly
    // first and then without regard to ASCII case, expanding each node on the
    // way. A component not found makes its parent be read again once; a
    // dot-folder that exists is then added. Returns the deepest node reached
    // (so NodePath(result) tells whether the whole path was found), or nullptr
    // when no drive holds the path. The node returned becomes Selected().
    FolderNode* SelectPath(std::string_view path);
    FolderNode* Selected() const { return selected_; }
    void Select(FolderNode* node) { selected_ = node; }

    // Collapses and resets every drive node (all = true, or an empty current
    // folder), or every drive node except the one holding the current folder.
    void CloseDrives(bool all, std::string_view currentFolder);

    // Sorts the node's siblings (the node's parent's children, or the drive
    // nodes): names without regard to ASCII case, dates by the node data, or
    // by the family part of the name (after its last space; the whole name
    // without one), without regard to case. Equal keys keep their order.
    void ArrangeBy(const FolderNode& node, TreeSort sort);

    // "&First child": the first of the node's siblings (its parent's first
    // child, or the first drive node); its folder is NodePath of the result.
    FolderNode* FirstSibling(const FolderNode& node) const;

    // "&Locate": the first of the node's siblings whose upper-cased, trimmed
    // text contains the upper-cased entry. With Shift held, a text longer than
    // the entry + 4 characters is first cut to the entry's length + 1 (so the
    // entry must appear near its start). nullptr: no match (the explorer then
    // shows kNoMatchText + entry). An empty entry matches nothing.
    FolderNode* Locate(const FolderNode& node, std::string_view entry, bool shift) const;

private:
    std::vector<std::unique_ptr<FolderNode>>& SiblingsOf(const FolderNode& node);
    const std::vector<std::unique_ptr<FolderNode>>& SiblingsOf(const FolderNode& node) const;
    FolderNode* FindChild(FolderNode& node, std::string_view name);
    FolderNode* AddHiddenChild(FolderNode& node, std::string_view name);
    // Inserts a folder node at its place in the folder order.
    FolderNode& AddChild(FolderNode& parent, const SubfolderInfo& folder);

    const FolderSource& source_;
    std::vector<KnownDrive> drives_;
    std::vector<std::unique_ptr<FolderNode>> roots_;
    FolderNode* selected_ = nullptr;
};

} // namespace zv
