#include "viewer/UndoStore.h"

#include "formats/PcxGraphic.h"
#include "imaging/BitmapFile.h"
#include "imaging/FileRemoval.h"
#include "imaging/MemoryCheck.h"
#include "platform/LittleEndian.h"

#include <cstring>

namespace zv {

namespace {

constexpr const char* kBackupFailedText =
    "Backup failed. Free memory is fragmented or running low.\nSelect Tools | Memory to clear "
    "and check buffers.\n";
constexpr const char* kSaveNowText = "It is recommended that you save modifications\nto a file "
                                     "now; then close and restart application.";

// Depths kept as BMP; the others (1 and 4 bits) as PCX.
bool KeptAsBmp(int depth) {
    return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
}

std::uint32_t Little32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return GetLittle32(bytes.data() + at);
}

} // namespace

UndoStore::UndoStore(UndoServices services) : services_(std::move(services)) {}

std::filesystem::path UndoStore::UndoFilePath() const {
    return services_.tempNames.TempFileName(kUndoFileName);
}

bool UndoStore::AutoBackUp(bool batchRunning) {
    keptPalette_.clear();
    stream_.clear();
    streamIsBmp_ = false;
    available_ = false;
    if (batchRunning) return true;
    ImagingContext& imaging = services_.imaging;
    undoDepth_ = imaging.descriptor.ImageBits;
    if (MemoryRunningLow(imaging.descriptor, imaging.autoReduce, services_.memory,
                         services_.dialogs)) {
        services_.flags.modified = true;
        FailBackUp();
        return false;
    }
    if (!KeepCopy()) {
        FailBackUp();
        return false;
    }
    available_ = true;
    return true;
}

bool UndoStore::KeepCopy() {
    ImagingContext& imaging = services_.imaging;
    try {
        if (KeptAsBmp(undoDepth_)) {
            imaging.descriptor.ImageBits = static_cast<std::int16_t>(
                ConvertToDib(imaging, imaging.descriptor.ImageWidth, imaging.descriptor.ImageHeight,
                             imaging.descriptor.ImageBits));
            stream_ = BitmapFileBytes(imaging.current);
            NormaliseBmp(stream_);
            streamIsBmp_ = true;
            if (undoDepth_ <= 8) keptPalette_ = imaging.current.Colours();
        } else {
            keptPalette_ = imaging.current.Colours();
            TPcxGraphic writer;
            writer.Assign(imaging.current);
            writer.SaveToStream(stream_);
        }
        return true;
    } catch (const std::exception&) {
        streamIsBmp_ = false;
        stream_.clear();
        return false;
    }
}

void UndoStore::FailBackUp() {
    ImagingContext& imaging = services_.imaging;
    undoInFile_ = false;
    imaging.UndoBitmap = Bitmap();
    streamIsBmp_ = false;
    stream_.clear();
    if (services_.releaseWorkingCopies) services_.releaseWorkingCopies();
    ClearBitmap(imaging.ScratchBitmap);
    ClearBitmap(imaging.BackupBitmap);
    ClearBitmap(imaging.DuplicateBitmap);
    std::string text = note_ + "\n" + kBackupFailedText + "\n";
    if (services_.flags.modified) text += kSaveNowText;
    services_.dialogs.Error(text);
    if (!MemoryRunningLow(imaging.descriptor, imaging.autoReduce, services_.memory,
                          services_.dialogs))
        RecoverBitmap();
}

void UndoStore::RecoverBitmap() {
    if (CopyToUndoBitmap(true)) return; // the picture could not be parked: leave it be
    if (services_.restartLibrary) services_.restartLibrary();
    if (CopyFromUndoBitmap()) return;
    ImagingContext& imaging = services_.imaging;
    imaging.descriptor.ImageWidth = imaging.current.Width();
    imaging.descriptor.ImageHeight = imaging.current.Height();
    if (services_.pictureBack) services_.pictureBack();
}

void UndoStore::Discard() {
    stream_.clear();
    streamIsBmp_ = false;
    available_ = false;
    undoInFile_ = false;
    ClearBitmap(services_.imaging.UndoBitmap);
}

bool UndoStore::ReadBack(Bitmap& restored) {
    try {
        if (KeptAsBmp(undoDepth_)) {
            if (!streamIsBmp_) return false;
            restored = ParseBitmapFileBytes(stream_.data(), stream_.size());
            if (undoDepth_ <= 8) keptPalette_ = restored.Colours();
        } else {
            TPcxGraphic reader;
            reader.LoadFromStream(ByteSpan(stream_.data(), stream_.size()));
            reader.AssignTo(restored);
            if (!keptPalette_.empty() && keptPalette_.size() == restored.Colours().size())
                restored.SetPalette(keptPalette_);
        }
    } catch (const std::exception&) {
        return false;
    }
    return !restored.Empty();
}

bool UndoStore::Undo() {
    if (!available_) return false;
    Bitmap restored;
    const bool readBack = ReadBack(restored);
    stream_.clear();
    streamIsBmp_ = false;
    available_ = false;
    if (!readBack) {
        // The picture stays as it was: an empty picture is never the result of an undo.
        services_.dialogs.Error(kUndoFailedText);
        return false;
    }
    ImagingContext& imaging = services_.imaging;
    {
        std::lock_guard surface(imaging.current.Surface());
        imaging.current = std::move(restored);
    }
    imaging.descriptor.ImageWidth = imaging.current.Width();
    imaging.descriptor.ImageHeight = imaging.current.Height();
    imaging.descriptor.ImageBits = static_cast<std::int16_t>(undoDepth_);
    return true;
}

bool UndoStore::CopyToUndoBitmap(bool toFile) {
    ImagingContext& imaging = services_.imaging;
    if (undoInFile_) DeleteFileSilently(services_.trash, UndoFilePath());
    undoInFile_ = false;
    note_.clear();
    bool fileWanted = toFile;
    if (!toFile) {
        try {
            ClearBitmap(imaging.UndoBitmap);
            imaging.UndoBitmap = imaging.current;
        } catch (const std::exception&) {
            note_ = kUndoBitmapErrorNote;
            ClearBitmap(imaging.UndoBitmap);
            fileWanted = true;
        }
    }
    if (!fileWanted) return false;
    undoInFile_ = true;
    try {
        TPcxGraphic writer;
        writer.Assign(imaging.current);
        writer.SaveToFile(UndoFilePath());
    } catch (const std::exception&) {
        note_ = kPcxBackupErrorNote;
        return true;
    }
    return false;
}

bool UndoStore::CopyFromUndoBitmap() {
    ImagingContext& imaging = services_.imaging;
    bool failed = false;
    if (undoInFile_) {
        Bitmap restored;
        try {
            TPcxGraphic reader;
            reader.LoadFromFile(UndoFilePath());
            reader.AssignTo(restored);
        } catch (const std::exception&) {
            restored = Bitmap();
        }
        failed = restored.Empty();
        undoInFile_ = false;
        if (failed) {
            // The file is the only copy left: it stays, and the box names it.
            services_.dialogs.Error(std::string(kUndoFailedText) + "\nThe picture is kept in " +
                                    UndoFilePath().string());
        } else {
            std::lock_guard surface(imaging.current.Surface());
            imaging.current = std::move(restored);
            DeleteFileSilently(services_.trash, UndoFilePath());
        }
        return failed;
    }
    try {
        std::lock_guard surface(imaging.current.Surface());
        imaging.current = imaging.UndoBitmap;
    } catch (const std::exception&) {
        failed = true;
    }
    ClearBitmap(imaging.UndoBitmap);
    return failed;
}

bool UndoStore::CopyToBackUp() {
    ImagingContext& imaging = services_.imaging;
    if (MemoryRunningLow(imaging.descriptor, imaging.autoReduce, services_.memory,
                         services_.dialogs))
        return false;
    try {
        imaging.BackupBitmap = imaging.current;
    } catch (const std::exception&) {
        imaging.BackupBitmap = Bitmap();
        return false;
    }
    return true;
}

bool UndoStore::CopyFromBackUp() {
    ImagingContext& imaging = services_.imaging;
    // Nothing backed up: the picture stays as it is and the batch goes on.
    if (imaging.BackupBitmap.Empty()) return true;
    if (MemoryRunningLow(imaging.descriptor, imaging.autoReduce, services_.memory,
                         services_.dialogs))
        return false;
    bool copied = true;
    try {
        imaging.ScratchBitmap = imaging.BackupBitmap;
        std::lock_guard surface(imaging.current.Surface());
        imaging.current = imaging.ScratchBitmap;
        // The size follows the pixels, so a backup of another size is shown whole.
        imaging.descriptor.ImageWidth = imaging.current.Width();
        imaging.descriptor.ImageHeight = imaging.current.Height();
    } catch (const std::exception&) {
        ClearBitmap(imaging.BackupBitmap);
        copied = false;
    }
    imaging.ScratchBitmap = Bitmap();
    return copied;
}

void NormaliseBmp(std::vector<std::uint8_t>& stream) {
    constexpr std::size_t kHeaders = 14 + 40;
    if (stream.size() < kHeaders || stream[0] != 'B' || stream[1] != 'M') return;
    const std::uint64_t size = stream.size();
    const std::uint64_t offset = Little32(stream, 10);
    const auto width = static_cast<std::int32_t>(Little32(stream, 18));
    const auto height = static_cast<std::int32_t>(Little32(stream, 22));
    const int bits = GetLittle16(stream.data() + 28);
    const std::uint64_t stride =
        (static_cast<std::uint64_t>(width < 0 ? -static_cast<std::int64_t>(width) : width) * bits +
         31) /
        32 * 4;
    const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    std::uint64_t imageSize = Little32(stream, 34);
    if (imageSize == 0 || imageSize > size) imageSize = stride * rows;
    if (imageSize > size || offset > size - imageSize || offset < kHeaders) return;
    if (size - imageSize == offset) return;
    PutLittle32(stream.data() + 46, 0);
    PutLittle32(stream.data() + 50, 0);
    PutLittle32(stream.data() + 34, static_cast<std::uint32_t>(imageSize));
    std::memmove(stream.data() + offset, stream.data() + (size - imageSize), imageSize);
    stream.resize(offset + imageSize);
}

} // namespace zv
