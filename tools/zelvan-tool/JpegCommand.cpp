// zelvan-tool jpeg: the JPEG text window's commands without the window: list
// the comments or the EXIF lines of a JPEG file, strip its comments or all
// its extra information, or add a comment. Rewrites keep the original in a
// ".bak" file, as the window does; an existing ".bak" is only overwritten
// with --yes.

#include "Subcommands.h"

#include "album/JpegComments.h"

#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>

namespace zvtool {

const char* const kJpegUsage =
    "Usage: zelvan-tool jpeg comments FILE\n"
    "       zelvan-tool jpeg exif FILE\n"
    "       zelvan-tool jpeg strip --comments|--all [--yes] FILE\n"
    "       zelvan-tool jpeg add-comment [--yes] FILE TEXT\n"
    "       zelvan-tool jpeg add-comment [--yes] FILE --from TEXTFILE\n\n"
    "comments     prints the lines of the file's comment (COM) segments, one per line.\n"
    "exif         prints the EXIF lines \"<name> = <value>\" of the first directory and\n"
    "             its Exif sub-directory, as the JPEG text window lists them.\n"
    "strip        --comments removes the comment segments; --all removes them and every\n"
    "             application segment (APP0..APP15: JFIF, EXIF and others). The picture\n"
    "             data and anything after the end of the picture are kept byte for byte.\n"
    "             Prints the bytes removed, or that the file is unchanged.\n"
    "add-comment  puts TEXT (or the text of TEXTFILE) into a comment segment after the\n"
    "             JFIF header, each line ended by CR LF; at most 32000 characters. A\n"
    "             TEXTFILE may be UTF-8 or Windows-1252.\n\n"
    "strip and add-comment first copy FILE to FILE's name with the extension \".bak\";\n"
    "when that file exists they stop unless --yes allows overwriting it. A file with\n"
    "a Mac header in front of its JPEG data is read from the JPEG data on, and is\n"
    "rewritten without the header. The exit status is 1 when the file cannot be read\n"
    "or written, is not a JPEG, or the backup was not allowed; 2 for a usage error.\n";

namespace {

// Boxes become output: information on standard output, the rest on standard
// error. The one question (overwrite the ".bak") is answered by --yes.
class ToolDialogs : public zv::WindowlessDialogs {
public:
    explicit ToolDialogs(bool yes) : yes_(yes) {}

    zv::Answer Box(zv::BoxKind kind, const std::string& text, zv::Buttons buttons) override {
        if (buttons == zv::Buttons::YesNo) {
            if (yes_) return zv::Answer::Yes;
            std::cerr << text << "\nNot overwritten: --yes allows it.\n";
            return zv::Answer::No;
        }
        (kind == zv::BoxKind::Information ? std::cout : std::cerr) << text << '\n';
        return zv::Answer::Ok;
    }

private:
    bool yes_;
};

struct JpegOptions {
    std::string action;
    std::optional<zv::JpegStripMode> strip;
    bool yes = false;
    std::optional<std::string> fromFile;
    std::vector<std::string> operands;
};

std::optional<JpegOptions> ParseOptions(const Arguments& arguments) {
    if (arguments.empty()) return std::nullopt;
    JpegOptions options;
    options.action = arguments[0];
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--comments" || argument == "--all") {
            if (options.strip) return std::nullopt;
            options.strip = argument == "--all" ? zv::JpegStripMode::AllExtraInfo
                                                : zv::JpegStripMode::CommentsOnly;
        } else if (argument == "--yes") {
            options.yes = true;
        } else if (argument == "--from" && i + 1 < arguments.size()) {
            options.fromFile = arguments[++i];
        } else if (argument == "--") {
            options.operands.insert(options.operands.end(), arguments.begin() + i + 1,
                                    arguments.end());
            break;
        } else if (argument.starts_with("--")) {
            return std::nullopt;
        } else {
            options.operands.push_back(argument);
        }
    }
    const std::size_t operands = options.operands.size();
    const std::string& action = options.action;
    if (action == "comments" || action == "exif")
        return operands == 1 && !options.strip && !options.fromFile ? std::optional(options)
                                                                    : std::nullopt;
    if (action == "strip")
        return operands == 1 && options.strip && !options.fromFile ? std::optional(options)
                                                                   : std::nullopt;
    if (action == "add-comment")
        return !options.strip && operands == (options.fromFile ? 1u : 2u) ? std::optional(options)
                                                                          : std::nullopt;
    return std::nullopt;
}

int List(const JpegOptions& options) {
    const std::string& path = options.operands[0];
    zv::JpegText text;
    try {
        text = zv::ReadJpegText(zv::ReadJpegFile(path));
    } catch (const std::exception&) {
        std::cerr << path << ": " << zv::kBadJpegMarkers << '\n';
        return 1;
    }
    if (text.macHeader) std::cerr << path << ": " << zv::kMacHeaderWarning << '\n';
    for (const std::string& line : options.action == "exif" ? text.exifLines : text.commentLines)
        std::cout << line << '\n';
    return 0;
}

int ExitStatus(zv::JpegCommandResult result) {
    return result == zv::JpegCommandResult::Changed || result == zv::JpegCommandResult::Unchanged
               ? 0
               : 1;
}

} // namespace

int RunJpeg(const Arguments& arguments) {
    const std::optional<JpegOptions> options = ParseOptions(arguments);
    if (!options) {
        std::cerr << kJpegUsage;
        return 2;
    }
    if (options->action == "comments" || options->action == "exif") return List(*options);

    ToolDialogs dialogs(options->yes);
    const std::string& path = options->operands[0];
    if (options->action == "strip")
        return ExitStatus(zv::StripJpegFile(path, *options->strip, dialogs));

    std::string text;
    if (options->fromFile) {
        std::ifstream file(*options->fromFile, std::ios::binary);
        if (!file) {
            std::cerr << *options->fromFile << ": cannot be read\n";
            return 1;
        }
        const std::string bytes{std::istreambuf_iterator<char>(file),
                                std::istreambuf_iterator<char>()};
        text = zv::JpegTextToUtf8(
            zv::ByteSpan(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    } else {
        text = options->operands[1];
    }
    return ExitStatus(zv::AddJpegComment(path, text, dialogs));
}

} // namespace zvtool
