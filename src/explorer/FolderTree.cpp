#include "explorer/FolderTree.h"

#include "platform/FileDate.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

namespace {

constexpr char kPlaceholderChar = '.';

bool IsHiddenName(std::string_view name) {
    return !name.empty() && name.front() == '.';
}

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}
char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldAscii(x) == FoldAscii(y);
           });
}

// Ordering without regard to ASCII case: -1, 0 or 1.
int CompareIgnoringCase(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(FoldAscii(a[i]));
        const auto y = static_cast<unsigned char>(FoldAscii(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Rank of a character in the folder order: space and punctuation, digits,
// letters, then bytes above 127.
int CharClass(unsigned char c) {
    if (c >= 128) return 3;
    if (c >= 'A' && c <= 'Z') return 2;
    if (c >= 'a' && c <= 'z') return 2;
    if (c >= '0' && c <= '9') return 1;
    return 0;
}

std::string_view FamilyPart(std::string_view text) {
    const std::size_t space = text.rfind(' ');
    return space == std::string_view::npos ? text : text.substr(space + 1);
}

std::string UpperTrimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(' ');
    std::string result(text.substr(first, last - first + 1));
    for (char& c : result) c = UpperAscii(c);
    return result;
}

// A folder that holds at least one subfolder not starting with a dot.
bool HasVisibleSubfolder(int parentFd, const char* name) {
    const int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
        close(fd);
        return false;
    }
    bool found = false;
    while (!found) {
        const dirent* entry = readdir(dir);
        if (entry == nullptr) break;
        if (IsHiddenName(entry->d_name)) continue;
        if (entry->d_type == DT_DIR) {
            found = true;
        } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            found = fstatat(dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode);
        }
    }
    closedir(dir);
    return found;
}

} // namespace

std::optional<std::vector<SubfolderInfo>>
DiskFolderSource::ListSubfolders(const std::string& folder) const {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return std::nullopt;
    std::vector<SubfolderInfo> result;
    while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (entry->d_type != DT_DIR && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
            continue;
        struct stat info {};
        if (fstatat(dirfd(dir), entry->d_name, &info, 0) != 0 || !S_ISDIR(info.st_mode)) continue;
        result.push_back(
            {std::string(name), info.st_mtime, HasVisibleSubfolder(dirfd(dir), entry->d_name)});
    }
    closedir(dir);
    return result;
}

bool FolderNameLess(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        const int classX = CharClass(x);
        const int classY = CharClass(y);
        if (classX != classY) return classX < classY;
        const auto foldX = static_cast<unsigned char>(FoldAscii(char(x)));
        const auto foldY = static_cast<unsigned char>(FoldAscii(char(y)));
        if (foldX != foldY) return foldX < foldY;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    // The names differ at most in case: the first lower-case letter comes first.
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) return a[i] > b[i];
    }
    return false;
}

std::string LocatePrompt(bool shift) {
    return std::string(shift ? "e.g., \"MyWeb\"" : "e.g., \"Download\"") +
           " to find \"MyWebDownloads\"";
}

void FolderTree::Init(std::vector<KnownDrive> drives) {
    drives_ = std::move(drives);
    roots_.clear();
    selected_ = nullptr;
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        auto node = std::make_unique<FolderNode>();
        node->text_ = drives_[i].displayName;
        node->data_ = std::uint32_t(i);
        Reset(*node);
        roots_.push_back(std::move(node));
    }
}

FolderNode* FolderTree::DriveNode(int driveIndex) const {
    for (const auto& root : roots_) {
        if (driveIndex >= 0 && root->data_ == std::uint32_t(driveIndex)) return root.get();
    }
    return nullptr;
}

int FolderTree::IndexOf(const FolderNode& node) const {
    const auto& siblings = SiblingsOf(node);
    for (std::size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].get() == &node) return int(i);
    }
    return -1;
}

std::vector<std::unique_ptr<FolderNode>>& FolderTree::SiblingsOf(const FolderNode& node) {
    return node.parent_ != nullptr ? node.parent_->children_ : roots_;
}

const std::vector<std::unique_ptr<FolderNode>>&
FolderTree::SiblingsOf(const FolderNode& node) const {
    return node.parent_ != nullptr ? node.parent_->children_ : roots_;
}

void FolderTree::Reset(FolderNode& node) {
    if (node.placeholder_) return;
    for (const FolderNode* at = selected_; at != nullptr; at = at->parent_) {
        if (at->parent_ == &node) {
            selected_ = &node; // the selected folder's node is about to go
            break;
        }
    }
    node.expanded_ = false;
    node.children_.clear();
    auto placeholder = std::make_unique<FolderNode>();
    placeholder->text_.assign(1, kPlaceholderChar);
    placeholder->placeholder_ = true;
    placeholder->parent_ = &node;
    node.children_.push_back(std::move(placeholder));
}

FolderTree::ExpandResult FolderTree::Expand(FolderNode& node) {
    if (node.placeholder_) return ExpandResult::Refused;
    if (node.IsUnread()) {
        std::optional<std::vector<SubfolderInfo>> listing = source_.ListSubfolders(NodePath(node));
        if (!listing && node.IsDrive()) return ExpandResult::Refused;
        node.children_.clear();
        if (listing) {
            std::erase_if(*listing, [](const SubfolderInfo& f) { return IsHiddenName(f.name); });
            std::sort(listing->begin(), listing->end(),
                      [](const SubfolderInfo& a, const SubfolderInfo& b) {
                          return FolderNameLess(a.name, b.name);
                      });
            for (const SubfolderInfo& folder : *listing) AddChild(node, folder);
        }
    }
    node.expanded_ = true;
    return ExpandResult::Expanded;
}

FolderNode& FolderTree::AddChild(FolderNode& parent, const SubfolderInfo& folder) {
    auto child = std::make_unique<FolderNode>();
    child->text_ = folder.name;
    child->data_ = PackDosDateTimeOf(folder.lastWrite);
    child->parent_ = &parent;
    if (folder.hasSubfolders) Reset(*child);
    const auto at = std::upper_bound(
        parent.children_.begin(), parent.children_.end(), child,
        [](const auto& a, const auto& b) { return FolderNameLess(a->text_, b->text_); });
    return **parent.children_.insert(at, std::move(child));
}

FolderTree::ExpandResult FolderTree::Reread(FolderNode& node) {
    Reset(node);
    return Expand(node);
}

std::string FolderTree::NodePath(const FolderNode& node) const {
    if (node.placeholder_) return {};
    std::vector<const FolderNode*> chain;
    for (const FolderNode* at = &node; at != nullptr; at = at->parent_) chain.push_back(at);
    const std::uint32_t driveIndex = chain.back()->data_;
    if (driveIndex >= drives_.size()) return {};
    std::string path = drives_[driveIndex].root;
    for (auto it = chain.rbegin() + 1; it != chain.rend(); ++it) {
        path += (*it)->text_;
        path += '/';
    }
    return path;
}

FolderNode* FolderTree::FindChild(FolderNode& node, std::string_view name) {
    for (const auto& child : node.children_) {
        if (!child->placeholder_ && child->text_ == name) return child.get();
    }
    for (const auto& child : node.children_) {
        if (!child->placeholder_ && EqualsIgnoringCase(child->text_, name)) return child.get();
    }
    return nullptr;
}

FolderNode* FolderTree::AddHiddenChild(FolderNode& node, std::string_view name) {
    if (!IsHiddenName(name)) return nullptr;
    const auto listing = source_.ListSubfolders(NodePath(node));
    if (!listing) return nullptr;
    for (const SubfolderInfo& folder : *listing) {
        if (folder.name == name) return &AddChild(node, folder);
    }
    return nullptr;
}

FolderNode* FolderTree::SelectPath(std::string_view path) {
    const int driveIndex = GetDriveIndex(drives_, path);
    FolderNode* node = DriveNode(driveIndex);
    if (node == nullptr) return nullptr;
    selected_ = node;
    if (Expand(*node) == ExpandResult::Refused) return node;

    const std::string& root = drives_[std::size_t(driveIndex)].root;
    std::string_view rest = path.size() > root.size() ? path.substr(root.size()) : "";
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? "" : rest.substr(slash + 1);
        if (part.empty()) continue;
        if (part == "." || part == "..") break;
        FolderNode* child = FindChild(*node, part);
        if (child == nullptr) {
            // Folders may have been added since the node was read.
            if (Reread(*node) == ExpandResult::Refused) break;
            child = FindChild(*node, part);
            if (child == nullptr) child = AddHiddenChild(*node, part);
            if (child == nullptr) break;
        }
        Expand(*child);
        node = child;
    }
    selected_ = node;
    return node;
}

void FolderTree::CloseDrives(bool all, std::string_view currentFolder) {
    const int keep = all || currentFolder.empty() ? -1 : GetDriveIndex(drives_, currentFolder);
    for (const auto& root : roots_) {
        if (keep < 0 || root->data_ != std::uint32_t(keep)) Reset(*root);
    }
}

void FolderTree::ArrangeBy(const FolderNode& node, TreeSort sort) {
    auto& siblings = SiblingsOf(node);
    const auto first = std::find_if(siblings.begin(), siblings.end(),
                                    [](const auto& n) { return !n->placeholder_; });
    using Ptr = std::unique_ptr<FolderNode>;
    auto arrange = [&](auto less) { std::stable_sort(first, siblings.end(), less); };
    switch (sort) {
    case TreeSort::NameAscending:
        arrange(
            [](const Ptr& a, const Ptr& b) { return CompareIgnoringCase(a->text_, b->text_) < 0; });
        break;
    case TreeSort::NameDescending:
        arrange(
            [](const Ptr& a, const Ptr& b) { return CompareIgnoringCase(a->text_, b->text_) > 0; });
        break;
    case TreeSort::DateAscending:
        arrange([](const Ptr& a, const Ptr& b) { return a->data_ < b->data_; });
        break;
    case TreeSort::DateDescending:
        arrange([](const Ptr& a, const Ptr& b) { return a->data_ > b->data_; });
        break;
    case TreeSort::Family:
        arrange([](const Ptr& a, const Ptr& b) {
            return CompareIgnoringCase(FamilyPart(a->text_), FamilyPart(b->text_)) < 0;
        });
        break;
    }
}

FolderNode* FolderTree::FirstSibling(const FolderNode& node) const {
    for (const auto& sibling : SiblingsOf(node)) {
        if (!sibling->placeholder_) return sibling.get();
    }
    return nullptr;
}

FolderNode* FolderTree::Locate(const FolderNode& node, std::string_view entry, bool shift) const {
    if (entry.empty()) return nullptr;
    std::string wanted(entry);
    for (char& c : wanted) c = UpperAscii(c);
    for (const auto& sibling : SiblingsOf(node)) {
        if (sibling->placeholder_) continue;
        std::string text = UpperTrimmed(sibling->text_);
        if (shift && text.size() > wanted.size() + 4) text.resize(wanted.size() + 1);
        if (text.find(wanted) != std::string::npos) return sibling.get();
    }
    return nullptr;
}

} // namespace zv
