#include "explorer/SlideListing.h"

#include "catalog/Volumes.h"

#include <sys/vfs.h>

#include <exception>

namespace zv {

namespace {

// statfs(2) magic numbers of the network file systems.
constexpr long kNfsMagic = 0x6969;
constexpr long kSmbMagic = 0x517B;
constexpr long kCifsMagic = 0xFF534D42;
constexpr long kSmb2Magic = 0xFE534D42;

// Marks the listing as the program's long process for its lifetime.
class CriticalMark {
public:
    explicit CriticalMark(DocumentFlags& flags) : flags_(flags) { flags_.criticalProcess = true; }
    ~CriticalMark() { flags_.criticalProcess = false; }
    CriticalMark(const CriticalMark&) = delete;
    CriticalMark& operator=(const CriticalMark&) = delete;

private:
    DocumentFlags& flags_;
};

// Passes the records on and keeps the folders for their volumes.
class FolderKeeper : public WalkSink {
public:
    explicit FolderKeeper(WalkTarget& target) : target_(target) {}
    void Folders(const std::vector<WalkFolder>& folders) override {
        folders_ = folders;
        target_.Folders(folders);
    }
    void File(const WalkFile& file) override { target_.File(file); }
    void FolderDone(std::size_t index) override { target_.FolderDone(index); }
    const std::vector<WalkFolder>& Kept() const { return folders_; }

private:
    WalkTarget& target_;
    std::vector<WalkFolder> folders_;
};

} // namespace

StartPlace StartPlaceOf(const std::string& folder) {
    if (folder.starts_with("//")) {
        const std::size_t slash = folder.find('/', 2);
        if (slash == std::string::npos || slash + 1 == folder.size()) return StartPlace::ServerRoot;
        return StartPlace::NetworkShare;
    }
    struct statfs status {};
    if (::statfs(folder.c_str(), &status) != 0) return StartPlace::Local;
    const long type = static_cast<long>(status.f_type);
    return type == kNfsMagic || type == kSmbMagic || type == kCifsMagic || type == kSmb2Magic
               ? StartPlace::NetworkShare
               : StartPlace::Local;
}

SlideListing::SlideListing(DocumentFlags& flags, Dialogs& dialogs)
    : volumeOf([](const std::string& folder) { return VolumeString(folder); }),
      placeOf(StartPlaceOf), flags_(flags), dialogs_(dialogs) {}

bool SlideListing::StartAllowed(const std::string& start) {
    if (flags_.criticalProcess) {
        dialogs_.Warning(std::string(kCriticalProcess));
        return false;
    }
    switch (placeOf(start)) {
    case StartPlace::ServerRoot:
        dialogs_.Warning(std::string(kSelectSharedFolder) + start);
        return false;
    case StartPlace::NetworkShare:
        return dialogs_.Box(BoxKind::Warning, std::string(kNetworkListingQuestion),
                            Buttons::OkCancel) == Answer::Ok;
    case StartPlace::Local: return true;
    }
    return true;
}

void SlideListing::SayAborted(const WalkOptions& options, Progress& progress) {
    if (options.texts == WalkTexts::Dialog)
        progress.SetText(std::string(kSlideListingAborted));
    else
        dialogs_.Information(std::string(kSlideListingAborted));
}

SlideListingResult SlideListing::Run(const std::string& start, const WalkOptions& options,
                                     WalkTarget& target, Progress& progress) {
    SlideListingResult result;
    if (!StartAllowed(start)) return result;
    const CriticalMark mark(flags_);
    progress.ResetStop();
    if (const std::string problem = target.Begin(0); !problem.empty()) {
        dialogs_.Error(problem);
        SayAborted(options, progress);
        return result;
    }
    FolderKeeper keeper(target);
    try {
        result.walk = WalkFolders(start, options, keeper, progress);
        if (!result.walk.stopped) {
            result.file = target.End(FolderVolumes(keeper.Kept(), volumeOf));
            result.outcome = ListingOutcome::Done;
            return result;
        }
    } catch (const std::exception& error) {
        dialogs_.Error(error.what()); // a store could not be written: it names the file
    }
    target.Clear();
    result.outcome = ListingOutcome::Aborted;
    SayAborted(options, progress);
    return result;
}

} // namespace zv
