#include "album/AlbumFiles.h"

#include "album/OldPaths.h"
#include "catalog/ThumbCache.h"
#include "formats/PictureLists.h"
#include "platform/FileWriter.h"
#include "platform/ProgramTitle.h"
#include "platform/TextEncoding.h"
#include "platform/WholeFile.h"
#include "platform/linux/AtomicFile.h"

#include <sys/stat.h>

#include <exception>
#include <fstream>
#include <string>
#include <vector>

namespace zv {

namespace fs = std::filesystem;

namespace {

using DataPaths = std::array<fs::path, 5>;

bool IsRegularFile(const fs::path& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string ReadBytes(const fs::path& path) {
    if (!IsRegularFile(path)) return {};
    WholeFile file = ReadEntireFile(path);
    return std::string(file.bytes.begin(), file.bytes.end());
}

// ---- writing

std::string ListText(const std::vector<std::string>& entries) {
    std::size_t size = 0;
    for (const std::string& entry : entries) size += entry.size() + 2;
    std::string text;
    text.reserve(size);
    for (const std::string& entry : entries) text.append(entry).append("\r\n");
    return text;
}

void WriteList(const fs::path& path, const std::vector<std::string>& entries) {
    AtomicFileStream out(path);
    const std::string text = ListText(entries);
    out.Write(text.data(), text.size());
    out.Commit();
}

void WriteRecords(const fs::path& path, const SlideAlbum& album) {
    AtomicFileStream out(path);
    for (int i = 0; i < album.Count(); ++i) out.Write(&album.Slide(i), kSlideRecordSize);
    out.Commit();
}

void RemoveFiles(const DataPaths& paths) {
    for (const fs::path& path : paths) FileWrites().Remove(path);
}

void WriteDataFiles(const DataPaths& paths, const SlideAlbum& album) {
    WriteList(paths[kNamesFile], album.Names());
    WriteList(paths[kVolumesFile], album.Volumes());
    WriteList(paths[kFoldersFile], album.Folders());
    WriteRecords(paths[kRecordsFile], album);
    WriteList(paths[kCommentsFile], album.Comments());
}

// The slot the script at `file` does not point to now.
char FreeSlot(const fs::path& dataFolder, const fs::path& file) {
    const std::string bytes = ReadBytes(file);
    if (bytes.empty()) return 'A';
    try {
        const ScriptHeader header = ReadScriptHeader(bytes, false);
        const fs::path inUse = AlbumDataFilePaths(dataFolder, file, 'A')[kRecordsFile];
        return header.dataFiles[kRecordsFile] == inUse.string() ? 'B' : 'A';
    } catch (const EAlbumError&) {
        return 'A';
    }
}

// ---- reading

[[noreturn]] void Damaged(const fs::path& path, const std::string& what) {
    throw EAlbumError("Catalog data file is damaged:\n" + path.string() + "\n" + what);
}

std::vector<std::string> ReadList(const fs::path& path, bool text) {
    if (!IsRegularFile(path)) return {};
    const WholeFile file = ReadEntireFile(path);
    const std::string_view bytes(reinterpret_cast<const char*>(file.bytes.data()),
                                 file.bytes.size());
    std::vector<std::string> entries;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = at;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') ++end;
        const std::string_view line = bytes.substr(at, end - at);
        entries.push_back(text ? Utf8OrWindows1252(line) : std::string(line));
        at = end;
        if (at < bytes.size() && bytes[at] == '\r') ++at;
        if (at < bytes.size() && bytes[at] == '\n') ++at;
    }
    return entries;
}

// The records straight into their vector; false when the file cannot be read whole.
bool ReadRecords(const fs::path& path, std::vector<SlideRecord>& records) {
    std::ifstream in(path, std::ios::binary);
    const auto size = static_cast<std::streamsize>(records.size() * kSlideRecordSize);
    return in.read(reinterpret_cast<char*>(records.data()), size) && in.gcount() == size;
}

std::string CheckRecord(const SlideRecord& r, std::size_t names, std::size_t folders,
                        std::size_t comments) {
    if (r.thumbName.length > 24 || r.ext.length > 12 || r.thumbFolder.length > 16)
        return "a text is longer than its field";
    if (r.nameIndex < 0 || static_cast<std::size_t>(r.nameIndex) >= names)
        return "its name is not in the name list";
    const bool cdTrack = KindOf(r) == SlideKind::CdTrack && r.folderIndex == 0;
    if (!cdTrack && (r.folderIndex < 0 || static_cast<std::size_t>(r.folderIndex) >= folders))
        return "its folder is not in the folder list";
    if (r.commentIndex < 0 || static_cast<std::size_t>(r.commentIndex) >= comments)
        return "its comment is not in the comment list";
    return {};
}

void RestoreFromDataFiles(const DataPaths& paths, std::int64_t count, SlideAlbum& album) {
    for (const fs::path& path : paths)
        if (!IsRegularFile(path)) Damaged(path, "It is not a regular file.");
    const fs::path& recordsPath = paths[kRecordsFile];
    const std::uintmax_t size = fs::file_size(recordsPath);
    const std::uintmax_t wanted = static_cast<std::uintmax_t>(count) * kSlideRecordSize;
    if (size != wanted)
        Damaged(recordsPath, "It holds " + std::to_string(size) + " bytes; " +
                                 std::to_string(count) + " slides take " + std::to_string(wanted) +
                                 ".");
    std::vector<std::string> names = ReadList(paths[kNamesFile], false);
    std::vector<std::string> volumes = ReadList(paths[kVolumesFile], false);
    std::vector<std::string> folders = ReadList(paths[kFoldersFile], false);
    std::vector<std::string> comments = ReadList(paths[kCommentsFile], true);
    std::vector<SlideRecord> records(static_cast<std::size_t>(count));
    if (!ReadRecords(recordsPath, records)) Damaged(recordsPath, "It cannot be read whole.");
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string problem =
            CheckRecord(records[i], names.size(), folders.size(), comments.size());
        if (!problem.empty())
            Damaged(recordsPath, "Record " + std::to_string(i) + ": " + problem + ".");
    }
    album.Restore(std::move(records), std::move(names), std::move(folders), std::move(volumes),
                  std::move(comments));
}

// The header's data files, each where the header says or, when missing
// there, by its name in the data folder (an album moved between machines).
DataPaths FindDataFiles(const ScriptHeader& header, const fs::path& dataFolder, bool& allThere) {
    DataPaths paths;
    allThere = true;
    CaseBlindNames names;
    for (std::size_t k = 0; k < paths.size(); ++k) {
        const std::string& written = header.dataFiles[k];
        paths[k] = written;
        std::error_code error;
        if (written.empty() || fs::exists(paths[k], error)) {
            allThere = allThere && !written.empty();
            continue;
        }
        // The name after the last "/" or "\" (a file written on Windows), in any case.
        const std::string name = written.substr(written.find_last_of("/\\") + 1);
        const std::string here =
            dataFolder.empty() ? std::string() : names.Find(dataFolder.string(), name);
        if (here.empty())
            allThere = false;
        else
            paths[k] = dataFolder / here;
    }
    return paths;
}

// Folders of an album written on Windows, moved to where this machine has
// them (by each folder's volume), and the names of their slides in the case
// they have on disk.
void ResolveOldFolders(SlideAlbum& album, const MountOfVolume& mounts) {
    std::vector<bool> moved(album.Folders().size(), false);
    bool any = false;
    for (std::size_t k = 0; k < moved.size(); ++k) {
        const std::string found = FindOldFolder(album.Folders()[k], album.Volumes()[k], mounts);
        if (found.empty()) continue;
        album.ReplaceFolder(static_cast<std::int32_t>(k), found);
        moved[k] = any = true;
    }
    if (!any) return;
    CaseBlindNames names;
    for (int i = 0; i < album.Count(); ++i) {
        const std::int32_t k = album.Slide(i).folderIndex;
        if (k < 0 || static_cast<std::size_t>(k) >= moved.size() || !moved[k]) continue;
        std::error_code error;
        if (fs::exists(album.SlidePath(i), error)) continue;
        const std::string file =
            std::string(album.NameOf(i)) + std::string(album.Slide(i).ext.View());
        const std::string found = names.Find(album.Folders()[k], file);
        if (!found.empty()) album.SetFileName(i, SplitSlidePath(found));
    }
}

std::string MissingDataFilesText(const ScriptHeader& header) {
    std::string text = "Catalog data files are missing.\n";
    for (const std::string& path : header.dataFiles) text += path + "\n";
    return text;
}

// ---- picture lists

std::string PictureListText(const SlideAlbum& album) {
    std::string text;
    for (int i = 0; i < album.Count(); ++i) text.append(album.SlidePath(i)).append("\r\n");
    return text;
}

// A slide per line whose file is there; the number of lines left out.
std::int64_t LoadPictureList(const fs::path& file, SlideAlbum& album) {
    const std::vector<std::string> lines = ReadList(file, false);
    std::int64_t missing = 0;
    album.Reserve(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty()) continue;
        const auto sequence = static_cast<std::int32_t>(i);
        if (album.AddFile(line, album.Count(), sequence)) continue;
        if (IsUtf8(line) || !album.AddFile(Windows1252ToUtf8(line), album.Count(), sequence))
            ++missing;
    }
    return missing;
}

} // namespace

AlbumFileType AlbumTypeOf(const fs::path& file) {
    switch (OwnFileKindOf(file.string())) {
    case OwnFileKind::AlbumCatalog: return AlbumFileType::Avc;
    case OwnFileKind::PictureList: return AlbumFileType::PictureList;
    default: return AlbumFileType::Avl;
    }
}

std::optional<fs::path> AlbumSaveName(const fs::path& chosen, AlbumFileType type) {
    if (chosen.filename().string().find_first_of(",[]") != std::string::npos) return std::nullopt;
    fs::path name = chosen;
    name.replace_extension(type == AlbumFileType::Avc           ? ".avc"
                           : type == AlbumFileType::PictureList ? ".zvp"
                                                                : ".avl");
    return name;
}

DataPaths AlbumDataFilePaths(const fs::path& dataFolder, const fs::path& albumFile, char slot) {
    const std::string fullPath = fs::absolute(albumFile).lexically_normal().string();
    const std::string stem =
        albumFile.filename().string() + "." + CacheHash(fullPath) + "." + std::string(1, slot);
    DataPaths paths;
    for (std::size_t k = 0; k < paths.size(); ++k)
        paths[k] = dataFolder / (stem + std::string(kDataFileSuffixes[k]));
    return paths;
}

void SaveAlbum(const fs::path& file, const SlideAlbum& album, const AlbumFileOptions& options) {
    if (AlbumTypeOf(file) == AlbumFileType::PictureList) {
        try {
            WriteFileAtomically(file, PictureListText(album));
        } catch (const std::exception&) {
            throw EAlbumError(std::string(kCouldNotSaveList));
        }
        return;
    }
    const char slot = FreeSlot(options.dataFolder, file);
    const DataPaths paths = AlbumDataFilePaths(options.dataFolder, file, slot);
    ScriptHeader header;
    header.screenWidth = options.screenWidth;
    header.screenHeight = options.screenHeight;
    for (std::size_t k = 0; k < paths.size(); ++k) header.dataFiles[k] = paths[k].string();
    try {
        const std::string script = AlbumTypeOf(file) == AlbumFileType::Avc
                                       ? WriteAvcScript(album, header)
                                       : WriteAvlScript(album, header);
        fs::create_directories(options.dataFolder);
        WriteDataFiles(paths, album);
        WriteFileAtomically(file, script);
    } catch (const std::exception&) {
        RemoveFiles(paths);
        throw EAlbumError(std::string(kCouldNotSaveScript));
    }
    RemoveFiles(AlbumDataFilePaths(options.dataFolder, file, slot == 'A' ? 'B' : 'A'));
}

AlbumLoadOutcome LoadAlbum(const fs::path& file, SlideAlbum& album,
                           const AlbumFileOptions& options) {
    album.Clear();
    AlbumLoadOutcome outcome;
    if (AlbumTypeOf(file) == AlbumFileType::PictureList) {
        outcome.missing = LoadPictureList(file, album);
        return outcome;
    }
    const bool catalog = AlbumTypeOf(file) == AlbumFileType::Avc;
    const std::string bytes = ReadBytes(file);
    if (bytes.empty()) throw EAlbumError(std::string(kBadAvlFile));
    const ScriptHeader header = ReadScriptHeader(bytes, !catalog);
    outcome.runSlide = header.runSlide;
    bool allThere = false;
    const DataPaths paths = FindDataFiles(header, options.dataFolder, allThere);
    if (allThere) {
        try {
            RestoreFromDataFiles(paths, header.slideCount, album);
            ResolveOldFolders(album, options.mounts ? options.mounts : MachineMounts());
            outcome.fromDataFiles = true;
            return outcome;
        } catch (const EAlbumError&) {
            album.Clear();
            if (catalog) throw;
        } catch (const std::exception&) {
            album.Clear();
            if (catalog) Damaged(paths[kRecordsFile], "It cannot be read.");
        }
    }
    if (catalog) throw EAlbumError(MissingDataFilesText(header));
    const DecodeOutcome decoded = DecodeAvlScript(bytes, header, album, options.missing);
    outcome.missing = decoded.missing;
    outcome.stopped = decoded.stopped;
    return outcome;
}

fs::path WriteTestScript(const fs::path& appHome, const SlideAlbum& album, std::int64_t startSlide,
                         const AlbumFileOptions& options) {
    ScriptHeader header;
    header.screenWidth = options.screenWidth;
    header.screenHeight = options.screenHeight;
    header.runSlide = startSlide;
    const fs::path file = appHome / (std::string(kProgramTitle) + "_Test.AVL");
    try {
        WriteFileAtomically(file, WriteAvlScript(album, header));
    } catch (const std::exception&) {
        throw EAlbumError(std::string(kCouldNotSaveScript));
    }
    return file;
}

} // namespace zv
