// zelvan-tool analyze: the Analyze command's report on one picture, written
// as "ImageReport.txt" and printed.

#include "LayerFiles.h"
#include "Subcommands.h"

#include "imaging/ImagingContext.h"
#include "imaging/MemoryCheck.h"
#include "processing/ImageReport.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>

namespace zvtool {

const char* const kAnalyzeUsage =
    "Usage: zelvan-tool analyze [--complexity] [--out FOLDER] FILE\n\n"
    "Reads FILE as the viewer opens it, makes it true colour and analyses it as the\n"
    "viewer's Analyze command does: mean, standard deviation and gamut of red, green,\n"
    "blue, grey, saturation and hue, estimated unique colours, file size and\n"
    "compression, colour diversity, the JPEG quality, smoothness and detail indexes and\n"
    "the overall rating. The report is written as ImageReport.txt (replacing an earlier\n"
    "one) and printed.\n\n"
    "  --complexity  add the complexity rating (Shift held in the viewer)\n"
    "  --out FOLDER  where ImageReport.txt goes (default: the current folder)\n";

namespace {

struct AnalyzeRequest {
    std::string file;
    std::filesystem::path folder = ".";
    bool complexity = false;
};

AnalyzeRequest ParseAnalyze(const Arguments& arguments) {
    AnalyzeRequest request;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--complexity")
            request.complexity = true;
        else if (argument == "--out" && i + 1 < arguments.size())
            request.folder = arguments[++i];
        else if (argument.starts_with("--"))
            throw std::invalid_argument("unknown option " + argument);
        else
            files.push_back(argument);
    }
    if (files.size() != 1) throw std::invalid_argument("give one picture file");
    request.file = files[0];
    return request;
}

// The folder as the report shows it: ending in "/".
std::string FolderText(const std::filesystem::path& file) {
    std::string folder = std::filesystem::absolute(file).parent_path().string();
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

} // namespace

int RunAnalyze(const Arguments& arguments) {
    AnalyzeRequest request;
    try {
        request = ParseAnalyze(arguments);
    } catch (const std::exception& error) {
        std::cerr << "zelvan-tool analyze: " << error.what() << "\n\n" << kAnalyzeUsage;
        return 2;
    }
    if (!std::filesystem::exists(request.file)) {
        std::cerr << "zelvan-tool analyze: " << request.file << " not found.\n";
        return 1;
    }
    zv::ImagingContext imaging;
    try {
        OpenPicture(request.file, imaging);
    } catch (const std::exception& error) {
        std::cerr << "zelvan-tool analyze: " << request.file << ": " << error.what() << '\n';
        return 1;
    }
    zv::EnsureTrueColour(imaging);
    std::optional<std::int64_t> divisor;
    if (request.complexity) divisor = zv::ImageByteSize(imaging.descriptor, imaging.autoReduce);
    const auto fileSize = static_cast<std::int64_t>(std::filesystem::file_size(request.file));
    const zv::ImageAnalysis analysis = zv::AnalyzePicture(imaging.current, fileSize, divisor);

    const std::filesystem::path path(request.file);
    const zv::ReportedFile reported{path.filename().string(), FolderText(path),
                                    zv::ReportedState::AsLoaded};
    std::vector<std::string> lines;
    zv::AppendReportLines(lines, reported, analysis, false);
    zv::WriteImageReport(request.folder, lines);
    for (const std::string& line : lines) std::cout << line << '\n';
    return 0;
}

} // namespace zvtool
