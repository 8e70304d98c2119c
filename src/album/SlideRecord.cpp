#include "album/SlideRecord.h"

#include "catalog/ThumbStates.h"
#include "platform/Extensions.h"
#include "platform/FileDate.h"

#include <sys/stat.h>

#include <ctime>

namespace zv {

namespace {

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

// The eight properties from effect to rotate.
void SetProperties(SlideRecord& record, std::int16_t value) {
    for (std::int16_t* field : {&record.effect, &record.gamma, &record.zoom, &record.posX,
                                &record.posY, &record.panelW, &record.panelH, &record.rotate})
        *field = value;
}

} // namespace

SlideKind KindOfExtension(std::string_view extension) {
    const std::string upper = Upper(extension);
    if (upper == kCdTrackExtension) return SlideKind::CdTrack;
    if (ExtensionIn(upper, kSoundSlideExtensions)) return SlideKind::Sound;
    if (ExtensionIn(upper, kPictureSlideExtensions)) return SlideKind::Picture;
    return SlideKind::Other;
}

SlideKind KindOf(const SlideRecord& record) {
    return KindOfExtension(record.ext.View());
}

SlideRecord NewSlideRecord(std::string_view extension, const SlideFileFacts& facts,
                           std::int32_t sequence) {
    SlideRecord record;
    record.ext.Set(extension);
    record.thumbState = kThumbPending;
    record.iconIndex = facts.iconIndex;
    record.fileSize = static_cast<std::int32_t>(static_cast<std::uint32_t>(facts.size));
    record.fileDateTime = facts.dosDateTime;
    record.fileTimeMs = facts.timeOfDayMs;
    record.sequence = sequence;
    switch (KindOfExtension(extension)) {
    case SlideKind::Sound:
        record.backColor = kBackColorNotApplicable;
        SetProperties(record, kNotApplicable);
        break;
    case SlideKind::Other:
        record.effect = kNotApplicable;
        record.gamma = kNotApplicable;
        break;
    case SlideKind::Picture:
    case SlideKind::CdTrack: break;
    }
    return record;
}

SlideRecord NewCdTrackRecord(int track, std::uint32_t nowDosDateTime, std::int16_t iconIndex) {
    SlideRecord record;
    record.ext.Set(kCdTrackExtension);
    record.iconIndex = iconIndex;
    record.fileDateTime = nowDosDateTime;
    record.backColor = kBackColorNotApplicable;
    SetProperties(record, kNotApplicable);
    record.effect = static_cast<std::int16_t>(track);
    return record;
}

bool ReadSlideFileFacts(const std::string& path, SlideFileFacts& facts) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    std::tm local{};
    const std::time_t seconds = status.st_mtim.tv_sec;
    if (::localtime_r(&seconds, &local) == nullptr) return false;
    facts.size = status.st_size;
    facts.dosDateTime = PackDosDateTime(local);
    facts.timeOfDayMs = ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 +
                        static_cast<std::int32_t>(status.st_mtim.tv_nsec / 1000000);
    return true;
}

} // namespace zv
