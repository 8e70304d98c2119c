// zelvan-tool: the command-line front end over the Zelvan core, for scripting
// and headless work. Results go to files or standard output, errors to
// standard error with a non-zero exit status; it never asks a question.

#include "Subcommands.h"

#include <cstring>
#include <exception>
#include <iostream>

namespace zvtool {

const std::vector<Subcommand>& AllSubcommands() {
    static const std::vector<Subcommand> subcommands = {
        {"info", "print the format, size, depth, pages and resolution of pictures", kInfoUsage,
         RunInfo},
        {"convert", "read a picture and save it as the viewer does: BMP, PCX, PNG, JPEG, TGA, TIFF",
         kConvertUsage, RunConvert},
        {"thumbs", "fill the thumbnail cache of a folder as the explorer does", kThumbsUsage,
         RunThumbs},
        {"apply", "run toolbox lines (GAMMA=200,200,200, AUTO_CONTRAST, ...) on a picture",
         kApplyUsage, RunApply},
        {"histogram", "print the level histograms of a picture", kHistogramUsage, RunHistogram},
        {"analyze", "write the analysis report of a picture", kAnalyzeUsage, RunAnalyze},
        {"jpeg", "list, strip or add the comments and EXIF data of a JPEG file", kJpegUsage,
         RunJpeg},
        {"zip", "list a zip archive or extract it safely into a folder", kZipUsage, RunZip},
        {"batch-convert", "convert many pictures into one folder, optionally through a script",
         kBatchConvertUsage, RunBatchConvert},
        {"bip", "run a batch script on pictures and write the results into a folder", kBipUsage,
         RunBip},
        {"album", "list, check, make or convert albums (AVL, AVC, ZVP)", kAlbumUsage, RunAlbum},
        {"settings", "print the viewer's stored settings record field by field", kSettingsUsage,
         RunSettings},
    };
    return subcommands;
}

namespace {

void PrintHelp(std::ostream& out) {
    out << "Usage: zelvan-tool SUBCOMMAND [ARGUMENTS...]\n"
           "       zelvan-tool SUBCOMMAND --help\n\n"
           "Subcommands:\n";
    for (const Subcommand& subcommand : AllSubcommands()) {
        out << "  " << subcommand.name;
        for (std::size_t i = std::strlen(subcommand.name); i < 12; ++i) out << ' ';
        out << subcommand.summary << '\n';
    }
    out << "\nSettings are read from $XDG_CONFIG_HOME/Corvane/Zelvan (~/.config/Corvane/Zelvan).\n";
}

const Subcommand* Find(const std::string& name) {
    for (const Subcommand& subcommand : AllSubcommands())
        if (name == subcommand.name) return &subcommand;
    return nullptr;
}

} // namespace
} // namespace zvtool

int main(int argc, char* argv[]) {
    using namespace zvtool;
    if (argc < 2) {
        PrintHelp(std::cerr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintHelp(std::cout);
        return 0;
    }
    const Subcommand* subcommand = Find(name);
    if (!subcommand) {
        std::cerr << "zelvan-tool: unknown subcommand \"" << name << "\"\n\n";
        PrintHelp(std::cerr);
        return 2;
    }
    Arguments arguments(argv + 2, argv + argc);
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            std::cout << subcommand->usage;
            return 0;
        }
    }
    try {
        return subcommand->run(arguments);
    } catch (const std::exception& error) {
        std::cerr << "zelvan-tool " << name << ": " << error.what() << '\n';
        return 1;
    }
}
