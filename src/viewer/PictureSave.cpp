#include "viewer/PictureSave.h"

#include "formats/BmpGraphic.h"
#include "formats/FormatTable.h"
#include "formats/JpegWriter.h"
#include "formats/Orientation.h"
#include "formats/PcxGraphic.h"
#include "formats/PngGraphic.h"
#include "formats/TgaGraphic.h"
#include "formats/TiffGraphic.h"
#include "imaging/MemoryCheck.h"
#include "imaging/PixelConvert.h"
#include "library/PictureOps.h"
#include "platform/LittleEndian.h"
#include "platform/ProgramTitle.h"
#include "viewer/UndoStore.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <string_view>

namespace zv {

namespace {

namespace fs = std::filesystem;

constexpr std::array<SaveType, kSaveTypeCount> kSaveTypes{{
    {"BMP (Windows Bitmap)", "*.bmp", "bmp"},
    {"PCX (Zsoft Paintbrush)", "*.pcx", "pcx"},
    {"PNG (Portable Network Graphics)", "*.png", "png"},
    {"JPG (JPEG 8-bit gray)", "*.jpg", "jpg"},
    {"JPG (JPEG 24-bit color)", "*.jpg", "jpg"},
    {"TGA (Uncompressed Targa)", "*.tga", "tga"},
    {"TIF (Uncompressed TIFF)", "*.tif", "tif"},
    {"TIF (Deflated TIFF)", "*.tif", "tif"},
    {"TIF (Deflated Adobe TIFF)", "*.tif", "tif"},
    {"TIF (Fax-Group3 TIFF)", "*.tif", "tif"},
    {"TIF (Fax-Group4 TIFF)", "*.tif", "tif"},
    {"TIF (Packbits TIFF)", "*.tif", "tif"},
}};

// The TIFF writer's compression for each TIFF type, 7 to 12.
constexpr std::array<TiffCompression, 6> kTiffCompressions{
    TiffCompression::None,         TiffCompression::ZLib,      TiffCompression::ZLibAdobe,
    TiffCompression::FaxGroup3_1D, TiffCompression::FaxGroup4, TiffCompression::Packbits,
};

// 23 bits or fewer: the display is not true colour.
constexpr int kTrueColourDisplayBits = 24;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool HasExtension(const std::string& name, std::string_view extension) {
    return Lower(fs::path(name).extension().string()) == "." + std::string(extension);
}

std::string FolderOf(const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

std::string WithoutTrailingSeparator(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

bool PlainFormat(PixelFormat format) {
    return format == PixelFormat::Bits1 || format == PixelFormat::Bits4 ||
           format == PixelFormat::Bits8 || format == PixelFormat::Bits24;
}

// On a true-colour display the picture's own BMP, the pixels right after
// the colour table, streamed to the file row by row (in turbo mode too: the
// bytes are the same).
void WriteBmp(const Bitmap& picture, const std::string& path) {
    SaveBitmapAsBmp(path, picture);
}

// On a display of fewer colours the imaging library writes the BMP, from the
// picture handed over as a PCX in memory.
void WriteBmpThroughLibrary(const Bitmap& picture, const std::string& path, ImageLibrary& library) {
    TPcxGraphic pcx;
    pcx.Assign(picture);
    Bytes stream;
    pcx.SaveToStream(stream);
    const ImgHandle handle = library.ImgOpenMem(stream, "PCX");
    if (handle == 0) throw std::runtime_error(library.LastError());
    const int written = library.ImgXWriteImage(path, "bmp", handle, 0, 0, 0);
    const std::string error = library.LastError();
    library.ImgClose(handle);
    if (written != 1) throw std::runtime_error(error);
}

template <typename Graphic>
void WriteThroughLayer(Graphic& graphic, const Bitmap& picture, const std::string& path,
                       const SaveSettings& settings) {
    graphic.Assign(picture, settings.xDpi, settings.yDpi);
    graphic.SaveToFile(path);
}

void WriteTga(const Bitmap& picture, const std::string& path, const SaveSettings& settings) {
    TTgaGraphic tga;
    if (picture.BitsPerPixel() >= 8) return WriteThroughLayer(tga, picture, path, settings);
    // Targa files hold 8 or 24 bits: the pixels are widened on their own palette.
    const Bitmap wide = ConvertPixels(picture, PixelFormat::Bits8, picture.Colours());
    WriteThroughLayer(tga, wide, path, settings);
}

// The metadata segments of the JPEG a picture came from, kept by a JPEG save;
// none when the source is no JPEG or cannot be read (the save goes on).
std::vector<JpegMarker> MetadataOf(const std::string& source, bool grey) {
    const FormatRow* format = source.empty() ? nullptr : FormatForExtension(source);
    if (!format || format->id != FormatId::Jpeg) return {};
    try {
        return JpegMetadataMarkers(ReadWholeFile(source), grey);
    } catch (const std::exception&) {
        return {};
    }
}

void WriteJpeg(const Bitmap& picture, const std::string& path, const SaveSettings& settings) {
    TJpegWriter writer;
    writer.keptMarkers = MetadataOf(settings.metadataSource, settings.type == kSaveJpegGrey);
    if (!settings.keepStoredOrientation) ResetExifOrientation(writer.keptMarkers);
    writer.quality = ValidWriterQuality(settings.quality);
    writer.grey = settings.type == kSaveJpegGrey;
    writer.progressive = settings.progressive;
    writer.subsampling = settings.subsampling;
    writer.smoothing = std::clamp(settings.smoothing, 0, 100);
    writer.xDpi = settings.xDpi;
    writer.yDpi = settings.yDpi;
    writer.SaveToFile(path, picture);
}

Answer AskOverwrite(SaveCommandHooks& hooks, Dialogs& dialogs, const std::string& path) {
    const std::string text = OverwriteQuestionText(fs::path(path).filename().string());
    if (hooks.askOverwrite) return hooks.askOverwrite(text);
    return dialogs.Box(BoxKind::Question, text, Buttons::YesNo);
}

// A batch BMP save with a name suffix goes without the dialog: the proposed
// name with ".bmp", in the proposed folder.
bool SavesWithoutDialog(const SaveCommandContext& context, const SaveDialogState& state) {
    return context.batch && !context.batchSuffix.empty() && state.type == kSaveBmp;
}

SaveJob JobFor(const SaveCommandContext& context, const std::string& path,
               const SaveDialogState& state) {
    SaveJob job;
    job.path = path;
    job.type = state.type;
    job.quality = state.quality;
    job.progressive = state.progressive;
    job.batch = context.batch;
    job.turboMode = context.turboMode;
    job.pathBoxText = context.pathBoxText;
    job.metadataSource = context.currentPath;
    job.keepStoredOrientation = context.keepStoredOrientation;
    return job;
}

} // namespace

const SaveType& SaveTypeAt(int type) {
    if (type < 1 || type > kSaveTypeCount)
        throw std::out_of_range("no save type " + std::to_string(type));
    return kSaveTypes[static_cast<std::size_t>(type - 1)];
}

int OfferedSaveTypes(int imageBits) {
    return imageBits == 1 ? kSaveTypeCount : kSaveTiffAdobeDeflate;
}

bool SaveTypeOffered(int type, int imageBits) {
    return type >= 1 && type <= OfferedSaveTypes(imageBits);
}

std::string SaveFilter(int imageBits) {
    std::string filter;
    for (int type = 1; type <= OfferedSaveTypes(imageBits); ++type) {
        const SaveType& entry = SaveTypeAt(type);
        if (!filter.empty()) filter += '|';
        filter += std::string(entry.description) + '|' + entry.pattern;
    }
    return filter;
}

bool SaveQualityEnabled(int type) {
    return type == kSaveJpegGrey || type == kSaveJpegColour;
}

bool SaveProgressiveEnabled(int type) {
    return SaveQualityEnabled(type) || type == kSavePng;
}

std::string SaveFileName(const std::string& chosen, int type) {
    const char* extension = SaveTypeAt(type).extension;
    if (HasExtension(chosen, extension)) return chosen;
    fs::path path(chosen);
    path.replace_extension();
    return path.string() + "." + extension;
}

std::string OverwriteQuestionText(const std::string& fileName) {
    return fileName + " exists." + "\n" + "Overwrite?";
}

std::string WriteFailureText(int type, const std::string& path) {
    return std::string(kProgramTitle) + " Write failure." +
           "\nSave Format=" + std::to_string(type) + "\n" + path;
}

std::string DiskSpaceWarningText(std::uint64_t required, std::uint64_t available) {
    return std::string("Insufficient disk space.\n") + "Req.: " + std::to_string(required / 1024) +
           " Kb\n" + "Free: " + std::to_string(available / 1024) + " Kb\n\n" +
           "Save operation failed.";
}

std::string SavingStatusText(const std::string& fileName) {
    return "Saving " + fileName + " ...";
}

void SaveTypeChosen(int type, SaveDialogState& state, Dialogs& dialogs) {
    state.type = type;
    if (type != kSaveTiffAdobeDeflate || !state.adobeDeflateWarning) return;
    if (dialogs.Box(BoxKind::Warning, kAdobeDeflateWarningText, Buttons::OkIgnore) ==
        Answer::Ignore)
        state.adobeDeflateWarning = false;
}

std::vector<std::uint8_t> JpegWizardRecord::Serialize() const {
    std::vector<std::uint8_t> bytes(flags.begin(), flags.end());
    bytes.resize(kSize);
    for (std::size_t i = 0; i < values.size(); ++i)
        PutLittle32(bytes.data() + 4 + 4 * i, static_cast<std::uint32_t>(values[i]));
    return bytes;
}

JpegWizardRecord JpegWizardRecord::Parse(const std::optional<std::vector<std::uint8_t>>& stored) {
    JpegWizardRecord record;
    if (!stored || stored->size() != kSize) return record;
    const std::vector<std::uint8_t>& bytes = *stored;
    std::copy(bytes.begin(), bytes.begin() + 4, record.flags.begin());
    for (std::size_t i = 0; i < record.values.size(); ++i) {
        const std::size_t at = 4 + 4 * i;
        record.values[i] = static_cast<std::int32_t>(GetLittle32(bytes.data() + at));
    }
    return record;
}

std::optional<Bitmap> PictureForSave(const ImagingContext& imaging, int type) {
    const Bitmap& current = imaging.current;
    // PNG and TGA files keep a picture's alpha; the other types drop it.
    if (current.HasAlpha() && (type == kSavePng || type == kSaveTga)) return std::nullopt;
    const ImageDescriptor& descriptor = imaging.descriptor;
    const bool deviceDependent =
        current.Storage() == StorageKind::DDB || current.Format() == PixelFormat::Device;
    const bool widen = descriptor.ImageBits > 8 && current.Format() != PixelFormat::Bits24;
    const bool normalise = deviceDependent || widen || !PlainFormat(current.Format());
    const bool grey = type == kSaveJpegGrey && descriptor.ImageBits != 8;
    if (!normalise) {
        if (!grey) return std::nullopt;
        return ReduceColours(current, 256, kReduceGrey | kReduceDiffuse);
    }

    // The conversions the viewer makes on its own picture, made on a copy.
    ImagingContext copy;
    copy.current = current;
    copy.descriptor = descriptor;
    if (deviceDependent) {
        const std::int32_t width =
            descriptor.ImageWidth > 0 ? descriptor.ImageWidth : current.Width();
        const std::int32_t height =
            descriptor.ImageHeight > 0 ? descriptor.ImageHeight : current.Height();
        const int depth = ConvertToDib(copy, width, height, descriptor.ImageBits);
        if (depth == 4)
            EnsureIndexed4(copy);
        else if (depth == 8)
            EnsureIndexed8(copy);
        else if (depth != 1)
            EnsureTrueColour(copy);
    }
    if (copy.descriptor.ImageBits > 8 || !PlainFormat(copy.current.Format()))
        EnsureTrueColour(copy);
    if (grey) return ReduceColours(copy.current, 256, kReduceGrey | kReduceDiffuse);
    return std::move(copy.current);
}

void WritePictureAs(const Bitmap& picture, const std::string& path, const SaveSettings& settings,
                    ImageLibrary& library) {
    switch (settings.type) {
    case kSaveBmp:
        if (settings.screenBits >= kTrueColourDisplayBits) return WriteBmp(picture, path);
        return WriteBmpThroughLibrary(picture, path, library);
    case kSavePcx: {
        TPcxGraphic pcx;
        return WriteThroughLayer(pcx, picture, path, settings);
    }
    case kSavePng: {
        TPngGraphic png;
        png.interlace = settings.progressive;
        return WriteThroughLayer(png, picture, path, settings);
    }
    case kSaveJpegGrey:
    case kSaveJpegColour: return WriteJpeg(picture, path, settings);
    case kSaveTga: return WriteTga(picture, path, settings);
    case kSaveTiff:
    case kSaveTiffDeflate:
    case kSaveTiffAdobeDeflate:
    case kSaveTiffFax3:
    case kSaveTiffFax4:
    case kSaveTiffPackbits: {
        TTiffGraphic tiff;
        tiff.SetCompression(kTiffCompressions[static_cast<std::size_t>(settings.type - kSaveTiff)]);
        return WriteThroughLayer(tiff, picture, path, settings);
    }
    default: throw std::out_of_range("no save type " + std::to_string(settings.type));
    }
}

std::optional<std::uint64_t> FreeDiskSpace(const std::string& folder) {
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0) return std::nullopt;
    return std::uint64_t{info.f_bavail} * info.f_frsize;
}

SaveResult SavePicture(const SaveJob& job, SaveServices& services) {
    SaveResult result;
    ImagingContext& imaging = services.imaging;
    const std::string folder = FolderOf(job.path);
    if (services.status) services.status(SavingStatusText(fs::path(job.path).filename().string()));

    const auto required =
        static_cast<std::uint64_t>(ImageByteSize(imaging.descriptor, imaging.autoReduce));
    const auto available = services.freeSpace ? services.freeSpace(folder) : FreeDiskSpace(folder);
    if (available && *available > 0 && *available < required) {
        services.dialogs.Warning(DiskSpaceWarningText(required, *available));
        return result;
    }
    if (!job.batch) result.saveDir = folder;

    SaveSettings settings;
    settings.type = job.type;
    settings.quality = ValidJpegQuality(job.quality);
    settings.progressive = job.progressive;
    settings.screenBits = imaging.descriptor.ScreenBits;
    settings.turboMode = job.turboMode;
    settings.xDpi = job.xDpi;
    settings.yDpi = job.yDpi;
    settings.metadataSource = job.metadataSource;
    settings.keepStoredOrientation = job.keepStoredOrientation;
    try {
        std::lock_guard surface(imaging.current.Surface());
        if (!SaveTypeOffered(job.type, imaging.descriptor.ImageBits))
            throw std::out_of_range("save type " + std::to_string(job.type) +
                                    " is not offered for this picture");
        const std::optional<Bitmap> converted = PictureForSave(imaging, job.type);
        WritePictureAs(converted ? *converted : imaging.current, job.path, settings,
                       services.library);
    } catch (const std::exception& error) {
        services.dialogs.Error(WriteFailureText(job.type, job.path));
        result.error = error.what();
        return result;
    }
    result.saved = true;
    result.clearModified = true;
    if (!job.batch) {
        result.currentPath = job.path;
        result.addToHistory = job.pathBoxText != job.path;
    }
    return result;
}

SaveDialogRequest PrepareSaveDialog(const SaveCommandContext& context, const SaveDialogState& state,
                                    int imageBits) {
    const auto folderExists =
        context.folderExists ? context.folderExists : [](const std::string& folder) {
            std::error_code error;
            return fs::is_directory(folder, error);
        };
    SaveDialogRequest request;
    request.imageBits = imageBits;
    request.type = SaveTypeOffered(state.type, imageBits) ? state.type : kSaveBmp;
    request.quality = ValidJpegQuality(state.quality);
    request.progressive = state.progressive;
    request.fileName = fs::path(context.currentPath).stem().string();
    if (context.batch) request.fileName += context.batchSuffix;

    const std::string boxFolder = context.pathBoxText.empty()
                                      ? std::string()
                                      : fs::path(context.pathBoxText).parent_path().string();
    if (!context.saveDir.empty() && folderExists(context.saveDir))
        request.initialFolder = context.saveDir;
    else if (!boxFolder.empty() && folderExists(boxFolder))
        request.initialFolder = boxFolder;
    else
        request.initialFolder = context.programFolder;
    request.initialFolder = WithoutTrailingSeparator(request.initialFolder);
    return request;
}

SaveResult SaveAsCommand(const SaveCommandContext& context, SaveDialogState& state,
                         SaveServices& services, SaveCommandHooks& hooks) {
    const int imageBits = services.imaging.descriptor.ImageBits;
    const SaveDialogRequest proposal = PrepareSaveDialog(context, state, imageBits);
    if (SavesWithoutDialog(context, state)) {
        std::string name = proposal.fileName;
        if (!HasExtension(name, "bmp")) name += ".bmp";
        return SavePicture(JobFor(context, proposal.initialFolder + "/" + name, state), services);
    }

    const auto fileExists = context.fileExists ? context.fileExists : [](const std::string& path) {
        std::error_code error;
        return fs::exists(path, error);
    };
    for (;;) {
        SaveDialogRequest request = proposal;
        request.type = SaveTypeOffered(state.type, imageBits) ? state.type : kSaveBmp;
        request.quality = ValidJpegQuality(state.quality);
        request.progressive = state.progressive;
        const SaveDialogAnswer answer = hooks.showDialog(request);
        if (answer.result != SaveDialogResult::Save || answer.path.empty()) {
            SaveResult result;
            result.clearBatchFlag = context.batch;
            result.wizardWanted = answer.result == SaveDialogResult::Wizard;
            return result;
        }
        state.type = answer.type;
        state.quality = ValidJpegQuality(answer.quality);
        state.progressive = answer.progressive;
        const std::string path = SaveFileName(answer.path, answer.type);
        if (fileExists(path)) {
            const Answer overwrite = AskOverwrite(hooks, services.dialogs, path);
            if (overwrite == Answer::No) continue;
            if (overwrite != Answer::Yes) {
                SaveResult result;
                result.clearBatchFlag = context.batch;
                return result;
            }
        }
        return SavePicture(JobFor(context, path, state), services);
    }
}

void ApplySaveResult(const SaveResult& result, std::string& currentPath, ViewerHistory& history,
                     DocumentFlags& flags, std::string& saveDir) {
    if (result.saveDir) saveDir = *result.saveDir;
    if (!result.saved) return;
    if (!result.currentPath.empty()) currentPath = result.currentPath;
    if (result.addToHistory) history.UpdateHistory(currentPath);
    if (result.clearModified) flags.modified = false;
}

} // namespace zv
