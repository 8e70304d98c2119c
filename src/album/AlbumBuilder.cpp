#include "album/AlbumBuilder.h"

#include "platform/Extensions.h"
#include "platform/FileWriter.h"
#include "platform/ProgramTitle.h"

#include <exception>
#include <utility>

namespace zv {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kEol = "\r\n";

void WriteLine(AtomicFileStream& out, std::string_view line) {
    out.Write(line.data(), line.size());
    out.Write(kEol.data(), kEol.size());
}

void WriteListFile(const fs::path& path, const std::vector<std::string>& lines) {
    AtomicFileStream out(path, FolderSync::No);
    for (const std::string& line : lines) WriteLine(out, line);
    out.Commit();
}

// Makes the stream, or says which file could not be made.
std::string Open(std::unique_ptr<AtomicFileStream>& stream, const fs::path& path) {
    try {
        stream = std::make_unique<AtomicFileStream>(path, FolderSync::No);
        return {};
    } catch (const std::exception&) {
        return "Could not create the file\n" + path.string();
    }
}

// An AVC header naming the five data files, with an empty folder section:
// the folders are in the data files.
std::string BuiltHeader(const std::array<fs::path, 5>& files, std::size_t slides) {
    std::string out = "[Header]\r\nVer=11\r\nScreenW=0\r\nScreenH=0\r\n";
    for (std::size_t k = 0; k < files.size(); ++k)
        out.append(kDataFileKeys[k]).append("=").append(files[k].string()).append(kEol);
    out += "RUN=1\r\nTHMREC=" + std::to_string(kSlideRecordSize) + "\r\n";
    out += "N=" + std::to_string(slides + 1) + "\r\n\r\n[Directory]\r\n";
    return out;
}

} // namespace

SlideRecord WalkSlideRecord(const WalkFile& file, std::int32_t number, std::int16_t iconIndex) {
    SlideFileFacts facts;
    facts.size = static_cast<std::int64_t>(file.size);
    facts.dosDateTime = file.dosDateTime;
    facts.timeOfDayMs = static_cast<std::int32_t>(file.timeMs);
    facts.iconIndex = iconIndex;
    SlideRecord record = NewSlideRecord(file.ext, facts, number);
    record.nameIndex = number;
    record.folderIndex = static_cast<std::int32_t>(file.folderIndex);
    return record;
}

// ---- AlbumBuilder

AlbumBuilder::AlbumBuilder(AlbumBuildPlaces places) : places_(std::move(places)) {}

AlbumBuilder::~AlbumBuilder() = default; // open streams remove their temporary files

fs::path AlbumBuilder::DataFilePath(DataFile which) const {
    return places_.dataFolder / (places_.workStem + std::string(kDataFileSuffixes[which]));
}

fs::path AlbumBuilder::HeaderPath() const {
    return places_.appHome / (std::string(kProgramTitle) + places_.workStem + ".avc");
}

std::string AlbumBuilder::Begin(std::size_t /*expected*/) {
    Clear();
    std::error_code error;
    fs::create_directories(places_.dataFolder, error);
    std::string problem = Open(records_, DataFilePath(kRecordsFile));
    if (problem.empty()) problem = Open(names_, DataFilePath(kNamesFile));
    if (!problem.empty()) Clear();
    return problem;
}

void AlbumBuilder::Clear() {
    records_.reset();
    names_.reset();
    pendingNames_.clear();
    folders_.clear();
    slides_ = 0;
    RemoveFiles();
}

void AlbumBuilder::RemoveFiles() {
    for (std::size_t k = 0; k < kDataFileSuffixes.size(); ++k)
        FileWrites().Remove(DataFilePath(static_cast<DataFile>(k)));
    FileWrites().Remove(HeaderPath());
}

void AlbumBuilder::Folders(const std::vector<WalkFolder>& folders) {
    folders_.clear();
    folders_.reserve(folders.size());
    for (const WalkFolder& folder : folders) folders_.push_back(folder.path);
}

void AlbumBuilder::File(const WalkFile& file) {
    const std::int16_t icon = icons_.IconFor(UpperExtension(file.ext));
    const SlideRecord record = WalkSlideRecord(file, static_cast<std::int32_t>(slides_), icon);
    records_->Write(&record, kSlideRecordSize);
    pendingNames_.push_back(file.name);
    ++slides_;
}

void AlbumBuilder::FolderDone(std::size_t) {
    if (pendingNames_.size() > kNamesFlushAfter) WriteNames();
}

void AlbumBuilder::WriteNames() {
    for (const std::string& name : pendingNames_) WriteLine(*names_, name);
    pendingNames_.clear();
}

std::string AlbumBuilder::End(const std::vector<std::string>& volumes) {
    try {
        WriteNames();
        names_->Commit();
        records_->Commit();
        WriteListFile(DataFilePath(kFoldersFile), folders_);
        WriteListFile(DataFilePath(kVolumesFile), volumes);
        WriteListFile(DataFilePath(kCommentsFile), {std::string(kNoComment)});
        std::array<fs::path, 5> files;
        for (std::size_t k = 0; k < files.size(); ++k)
            files[k] = DataFilePath(static_cast<DataFile>(k));
        WriteFileAtomically(HeaderPath(), BuiltHeader(files, slides_));
    } catch (...) {
        Clear();
        throw;
    }
    records_.reset();
    names_.reset();
    return HeaderPath().string();
}

// ---- PictureListWriter

std::array<fs::path, 2> InstantListPaths(const fs::path& dataFolder, const std::string& workStem) {
    return {dataFolder / (workStem + ".zvp"), dataFolder / (workStem + ".dir")};
}

PictureListWriter::PictureListWriter(fs::path list, fs::path folderList)
    : listPath_(std::move(list)), folderListPath_(std::move(folderList)) {}

PictureListWriter::~PictureListWriter() = default;

std::string PictureListWriter::Begin(std::size_t) {
    Clear();
    std::error_code error;
    if (listPath_.has_parent_path()) fs::create_directories(listPath_.parent_path(), error);
    return Open(list_, listPath_);
}

void PictureListWriter::Clear() {
    list_.reset();
    folders_.clear();
    paths_ = 0;
}

void PictureListWriter::Folders(const std::vector<WalkFolder>& folders) {
    folders_.clear();
    folders_.reserve(folders.size());
    for (const WalkFolder& folder : folders) folders_.push_back(folder.path);
}

void PictureListWriter::File(const WalkFile& file) {
    const std::string& folder = folders_[file.folderIndex];
    std::string line;
    line.reserve(folder.size() + file.name.size() + file.ext.size());
    line.append(folder).append(file.name).append(file.ext);
    WriteLine(*list_, line);
    ++paths_;
}

std::string PictureListWriter::End(const std::vector<std::string>&) {
    try {
        if (!folderListPath_.empty()) WriteListFile(folderListPath_, folders_);
        list_->Commit();
    } catch (...) {
        if (!folderListPath_.empty()) FileWrites().Remove(folderListPath_);
        Clear();
        throw;
    }
    list_.reset();
    return listPath_.string();
}

} // namespace zv
