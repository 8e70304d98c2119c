// zelvan-tool apply: run toolbox lines on a picture, as a batch run does, and
// save the result. Every line goes through the toolbox registry, so a line
// gives the same pixels here as in the viewer.

#include "LayerFiles.h"
#include "Subcommands.h"

#include "imaging/ImagingContext.h"
#include "platform/Extensions.h"
#include "platform/ScriptedDialogs.h"
#include "processing/QuietToolboxHost.h"
#include "processing/ToolboxProtocol.h"
#include "viewer/PictureSave.h"

#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace zvtool {

const char* const kApplyUsage =
    "Usage: zelvan-tool apply IN OUT LINE...\n\n"
    "Reads IN (any picture the program reads), makes it 24-bit, runs each toolbox\n"
    "LINE on it in order, as a batch script does, and saves OUT. OUT's extension\n"
    "gives its type: .bmp, .pcx, .png, .jpg/.jpeg (quality 50), .tga, .tif/.tiff.\n\n"
    "A line is a command word alone (ZERO) or the word, \"=\" and up to three whole\n"
    "numbers P1,P2,P3 separated by \",\" (GAMMA=200,200,200). The word may be in any\n"
    "case; blanks may stand before a number but not around the word or \"=\"; a\n"
    "missing number reads as 0. The numbers persist from line to line: a word\n"
    "without \"=\" takes the numbers of the last line that had them. A line whose\n"
    "numbers are outside the command's ranges does nothing (a note says so). Quote\n"
    "each line for the shell. Lines starting with \">\" are skipped.\n\n"
    "Tone commands:\n"
    "  GAMMA=R,G,B               gamma in hundredths, each 1..500 (100 unchanged)\n"
    "  GAMMA_SUPRESS=R,G,B       the same curve on the inverted levels\n"
    "  GAMMA_SATURATION=G        saturation gamma 1..500\n"
    "  BRIGHTNESS=R,G,B          each -127..127 (0 unchanged, 127 doubles)\n"
    "  SHIFT=R,G,B               add to every level but 0, each -127..127\n"
    "  CONTRAST=R,G,B            each -127..127 (below 0 less, above 0 more)\n"
    "  ZERO                      shift each channel's darkest common level to 0\n"
    "  ENHANCE=LOW,HIGH          stretch levels LOW..HIGH to 0..255, each 0..255\n"
    "  SHADOWS=R,G,B             stretch each channel from its level to 255\n"
    "  HIGHLIGHTS=R,G,B          stretch each channel from 0 to its level\n"
    "  LIGHTING=LOW,HIGH         stretch the lightness\n"
    "  SATURATION=LOW,HIGH       stretch the saturation\n"
    "  SUPRESS=LOW,HIGH          squeeze 0..255 into LOW..HIGH\n"
    "  PARAMETRIC_EQ_ALL=C,B,G   equaliser at centre C 0..255, band B 7..127,\n"
    "                            gain G -127..127; _RED, _GRN, _BLU for one channel\n"
    "  LIMIT_ALL=S,M,H           spread S..M over 0..M and M..H over M..255, with\n"
    "                            0 <= S < M < H <= 255; _RED, _GRN, _BLU for one channel\n"
    "  WHITEBALANCE=R,G,B        brightness per channel, each -127..254\n"
    "  ZEROMAP                   close the gaps between the levels in use\n"
    "  UNWASH, UNCOOK, ATTENUATE darken washed-out pictures\n\n"
    "Filters:\n"
    "  GAUSSIAN=V, DEFOCUS=V, OUTLIER=V   smoothing of strength 1..255\n"
    "  SOFTEN=T                  low pass of type 1..10\n"
    "  DESPECKLE=S               median of shape 1..9\n"
    "  UNSPOT=T                  spot remover, -8 (pepper) .. 8 (salt)\n"
    "  CLEAN=V,E, UNSHARPMASK=V,E   lightness-gated 5 x 5 smoothing and sharpening\n"
    "  MEANREMOVAL=V             sharpening 1..8\n"
    "  HIGHPASSMEDIUM=V, HIGHPASSLIGHT=V   sharpening 1..4\n"
    "  DESCREEN_LIGHT, DESCREEN_MEDIUM, DESCREEN_STRONG, DESCREEN_HIGH, ENRICH, DELACE\n\n"
    "Automatic corrections:\n"
    "  AUTO_WHITE, AUTO_BALANCE, AUTO_CONTRAST, AUTO_LIGHTING, AUTO_SATURATE,\n"
    "  AUTO_GAMMA, AUTO_FLASH, NORMALIZE, EQUALIZE, OPTIMIZE, CENTER\n"
    "  CONFORM_GAMMA=M           gamma towards a mid-tone mean M 1..255\n"
    "  CONFORM_GAMMA_RGB=R,G,B   the same per channel\n"
    "  MAP_EQ, MAP_RED, MAP_GRN, MAP_BLU, MAP_LIT, MAP_SAT, MAP_RGB=DM,DS\n"
    "                            move mean and deviation by DM and DS\n"
    "  CONFORM_RED=M,S (_GRN, _BLU, _LIT, _SAT)   to mean M and deviation S\n"
    "  DEFOG=STRENGTH,BOOST      each 1..255\n\n"
    "Examples:\n"
    "  zelvan-tool apply in.jpg out.png GAMMA=150,150,150\n"
    "  zelvan-tool apply in.png out.png ENHANCE=16,240 'contrast=20,20,20'\n"
    "  zelvan-tool apply in.png out.png SHIFT=5,5,5 GAMMA   (gamma 5,5,5)\n\n"
    "An unknown word or a line that does not read stops the command before IN is\n"
    "read (exit status 2); nothing is written then.\n";

namespace {

// Every line must name a toolbox word and read, before any file is touched.
bool CheckLines(const std::vector<std::string>& lines) {
    for (const std::string& text : lines) {
        const zv::BatchLine line = zv::ParseBatchLine(text);
        if (line.kind == zv::BatchLineKind::Blank || line.kind == zv::BatchLineKind::Inactive)
            continue;
        if (!zv::TheToolbox().FindWord(line.word)) {
            std::cerr << "zelvan-tool apply: unknown command word \"" << line.word << "\" in \""
                      << text << "\"\n";
            return false;
        }
        if (line.kind == zv::BatchLineKind::Malformed) {
            std::cerr << "zelvan-tool apply: \"" << text << "\": " << line.problem << '\n';
            return false;
        }
    }
    return true;
}

// The picture as the viewer opens it. A file that cannot be read throws its
// reader's error, which the tool prints.
bool Load(const std::string& path, zv::ImagingContext& imaging) {
    OpenPicture(path, imaging);
    return !imaging.current.Empty();
}

int Save(const std::string& path, int type, zv::ImagingContext& imaging) {
    zv::ImageLibrary library;
    library.ImgInit();
    zv::ScriptedDialogs dialogs;
    zv::SaveServices services{imaging, library, dialogs, {}, {}};
    zv::SaveJob job;
    job.path = path;
    job.type = type;
    const zv::SaveResult result = zv::SavePicture(job, services);
    if (result.saved) return 0;
    std::cerr << "zelvan-tool apply: ";
    for (const std::string& text : dialogs.Texts()) std::cerr << text << '\n';
    if (!result.error.empty()) std::cerr << result.error << '\n';
    return 1;
}

} // namespace

int RunApply(const Arguments& arguments) {
    if (arguments.size() < 3) {
        std::cerr << "zelvan-tool apply: give IN, OUT and at least one line\n\n" << kApplyUsage;
        return 2;
    }
    const std::string& input = arguments[0];
    const std::string& output = arguments[1];
    const std::vector<std::string> lines(arguments.begin() + 2, arguments.end());
    const std::optional<int> type = SaveTypeForFile(output);
    if (!type) {
        std::cerr << "zelvan-tool apply: OUT must end in .bmp, .pcx, .png, .jpg, .jpeg, .tga, "
                     ".tif or .tiff\n";
        return 2;
    }
    if (!CheckLines(lines)) return 2;

    zv::ImagingContext imaging;
    if (!Load(input, imaging)) {
        std::cerr << "zelvan-tool apply: cannot read \"" << input << "\"\n";
        return 1;
    }
    zv::EnsureTrueColour(imaging);

    zv::QuietToolboxHost host(imaging);
    zv::ToolboxContext toolbox;
    zv::EffectValues kept;
    for (const std::string& line : lines) {
        const zv::LineResult result =
            zv::RunToolboxLine(line, zv::TheToolbox(), kept, host, toolbox);
        if (!result.message.empty()) std::cerr << "zelvan-tool apply: " << result.message << '\n';
    }
    return Save(output, *type, imaging);
}

} // namespace zvtool
