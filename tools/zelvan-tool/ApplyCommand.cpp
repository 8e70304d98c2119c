// zelvan-tool apply: run toolbox lines on a picture, as a batch run does, and
// save the result. Every line goes through the toolbox registry, so a line
// gives the same pixels here as in the viewer.

#include "LayerFiles.h"
#include "Subcommands.h"
#include "TextMarkPlugin.h"

#include "imaging/ImagingContext.h"
#include "platform/Extensions.h"
#include "platform/ScriptedDialogs.h"
#include "platform/TextMarkPainter.h"
#include "processing/QuietToolboxHost.h"
#include "processing/ToolboxProtocol.h"
#include "viewer/PictureSave.h"

#include <charconv>
#include <clocale>
#include <ctime>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zvtool {

const char* const kApplyUsage =
    "Usage: zelvan-tool apply [--second FILE] [--select L,T,R,B] [--background R,G,B]\n"
    "                         [--seed N] [--font FONT] [--outline R,G,B] [--date TEXT]\n"
    "                         IN OUT LINE...\n\n"
    "Reads IN (any picture the program reads), makes it 24-bit, runs each toolbox\n"
    "LINE on it in order, as a batch script does, and saves OUT. OUT's extension\n"
    "gives its type: .bmp, .pcx, .png, .jpg/.jpeg (quality 50), .tga, .tif/.tiff.\n\n"
    "  --second FILE      the duplicate picture of the two-picture commands (MASK_...),\n"
    "                     made 24-bit; it must have IN's size\n"
    "  --select L,T,R,B   the selection: columns L..R-1 of rows T..B-1 (REDEYE)\n"
    "  --background R,G,B the colour ROTATE gives the corners it uncovers (black)\n"
    "  --seed N           the seed of NOISE, 0..18446744073709551615: the same seed\n"
    "                     gives the same noise (without it every run differs)\n"
    "  --font FONT        the font of text marks: FAMILY[,POINTS][,bold][,italic]\n"
    "                     [,#RRGGBB] (the letters' colour), e.g. 'DejaVu Sans,10,bold';\n"
    "                     without it the system's sans serif at 8 points, black\n"
    "  --outline R,G,B    the colour around the letters of text marks (128,128,128)\n"
    "  --date TEXT        what @@D in a text mark becomes (today, in the short form)\n\n"
    "A line is a command word alone (ZERO) or the word, \"=\" and up to three whole\n"
    "numbers P1,P2,P3 separated by \",\" (GAMMA=200,200,200). The word may be in any\n"
    "case; blanks may stand before a number but not around the word or \"=\"; a\n"
    "missing number reads as 0. The numbers persist from line to line: a word\n"
    "without \"=\" takes the numbers of the last line that had them. A line whose\n"
    "numbers are outside the command's ranges does nothing (a note says so). Quote\n"
    "each line for the shell. Lines starting with \">\" are skipped. Words with\n"
    "TEXTMARK take the rest of the line after \"=\" as text.\n\n"
    "Tone commands:\n"
    "  GAMMA=R,G,B               gamma in hundredths, each 1..500 (100 unchanged)\n"
    "  GAMMA_SUPRESS=R,G,B       the same curve on the inverted levels (also\n"
    "                            GAMMA_SUPPRESS)\n"
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
    "  SUPRESS=LOW,HIGH          squeeze 0..255 into LOW..HIGH (also SUPPRESS)\n"
    "  PARAMETRIC_EQ_ALL=C,B,G   equaliser at centre C 0..255, band B 7..127,\n"
    "                            gain G -127..127\n"
    "  PARAMETRIC_EQ_RED, PARAMETRIC_EQ_GRN, PARAMETRIC_EQ_BLU   the same on one channel\n"
    "  LIMIT_ALL=S,M,H           spread S..M over 0..M and M..H over M..255, with\n"
    "                            0 <= S < M < H <= 255\n"
    "  LIMIT_RED, LIMIT_GRN, LIMIT_BLU   the same on one channel\n"
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
    "  CONFORM_RED=M,S, CONFORM_GRN=M,S, CONFORM_BLU=M,S, CONFORM_LIT=M,S,\n"
    "  CONFORM_SAT=M,S           to mean M and deviation S, each 1..254\n"
    "  DEFOG=STRENGTH,BOOST      each 1..255\n\n"
    "Colours:\n"
    "  HLS=H,L,S                 shift hue, lightness and saturation, each -999..999\n"
    "  NEGATIVE, GRAYSCALE, RGBMAX   negative, greys, the grey of the largest channel\n"
    "  POSTERIZE=N               keep the top N bits of every byte, 2..7\n"
    "  REPLACE_RGB=R,G,B         the colour white, the rest black (REPLACE_RGBINV:\n"
    "                            the reverse)\n"
    "A colour selection packs each of hue, lightness and saturation (0..3600) with\n"
    "its tolerance as TOLERANCE x 65536 + CENTRE:\n"
    "  REPLACE_HLS=H,L,S         selected colours black, the rest white\n"
    "                            (REPLACE_HLSINV: the reverse)\n"
    "  AIRBRUSH=H,L,S            smooth the selected colours\n\n"
    "Masks with the duplicate (--second):\n"
    "  MASK_HLS=H,L,S            selected colours take the duplicate, the others by\n"
    "                            their distance (MASK_HLSINV: the other way round)\n"
    "  MASK_SHADOWS=G,MIX, MASK_HIGHLIGHTS=G,MIX, MASK_MIDTONES=G,MIX,\n"
    "  MASK_CONTRAST=G,MIX       blend by a tone mask of gamma G 1..500; MIX 0..99\n"
    "                            measures the duplicate (0) up to the picture (99)\n"
    "  MASK_GRAYSCALE            the duplicate's colours at the picture's lightness\n"
    "  MASK_EDGES=T,E            flat areas (lightness within T) take the duplicate\n"
    "                            by E/255, each 0..255\n\n"
    "With the duplicate (--second, or DUPLICATE earlier on the line list):\n"
    "  AVERAGE=P                 P % of the duplicate, 1..255 (past 100 darkens)\n"
    "  INTERLACE=P,F             AVERAGE on rows 1, 3, 5, ... (F 0) or 0, 2, 4, ... (F 1)\n"
    "  MULTIPLY, MINIMUM, MAXIMUM, DIFFERENCE (127 + P - D), SUBTRACT   byte by byte\n"
    "  DUPLICATE, SWAP           copy the picture to the duplicate; exchange them\n"
    "  COPYTOBACKUP, COPYFROMBACKUP, CLEARBUFFERS   the backup copy; empty both\n\n"
    "Geometry, sizes, colours and tiles:\n"
    "  ROTATE=A                  turn clockwise by A degrees, 1..359 (--background\n"
    "                            fills the corners)\n"
    "  RESIZE=W,H                resize to W x H, each 1..16384 (through 2W x 2H when\n"
    "                            only the width shrinks)\n"
    "  RESAMPLE=W,H              smooth resize to W x H, each 16..16384 (through\n"
    "                            2W x 2H when a side shrinks)\n"
    "  DOWNSAMPLE=W,H            shrink to fit inside W x H, keeping the proportions\n"
    "  QUANTIZE16, QUANTIZE256   reduce to 16 or 256 of the picture's own colours\n"
    "  MOSAIC=N                  squares of N x N pixels, 2..16\n\n"
    "Marks and borders (at the picture's own depth):\n"
    "  ARTIFACT=Q                through JPEG and back at quality Q, 1 (fine) ..\n"
    "                            255 (coarse); 100 is the standard tables; values\n"
    "                            outside 1..255 take the nearer end\n"
    "  TEXTMARK_TOPLEFT=TEXT, TEXTMARK_TOPRIGHT=TEXT, TEXTMARK_BOTTOMLEFT=TEXT,\n"
    "  TEXTMARK_BOTTOMRIGHT=TEXT one line of outlined text in that corner; the first\n"
    "                            @@D becomes the date, @@C the copyright sign, @@F\n"
    "                            IN's name without folder and extension\n"
    "  BORDER=C,W,H              colour C (red + 256 green + 65536 blue) on W columns\n"
    "                            left and right and H rows top and bottom, each 1..239\n"
    "  BORDER_TOPBOT=C,T,B       colour C on T rows at the top and B at the bottom\n\n"
    "Words of this tool only (batch scripts do not have them):\n"
    "  REDEYE                    red eyes inside the selection (--select)\n"
    "  MIRROR_VERTICAL           top to bottom\n"
    "  MIRROR_HORIZONTAL         left to right\n"
    "  REDUCE_256=M, REDUCE_16=M 256 or 16 colours, dithered; M 0 standard palette,\n"
    "                            1 the picture's own colours, 2 optimal\n"
    "  REDUCE_GRAY256=M          256 greys, dithered\n"
    "  REDUCE_BW=M               black and white: M 0 threshold, 1 ordered, 2 diffused\n"
    "  NOISE=R,G,B               random colours, each channel below its level 0..255;\n"
    "                            the largest level, out of 255, is each pixel's\n"
    "                            chance of being replaced (--seed repeats it)\n\n"
    "Examples:\n"
    "  zelvan-tool apply in.jpg out.png GAMMA=150,150,150\n"
    "  zelvan-tool apply in.png out.png ENHANCE=16,240 'contrast=20,20,20'\n"
    "  zelvan-tool apply in.png out.png SHIFT=5,5,5 GAMMA   (gamma 5,5,5)\n"
    "  zelvan-tool apply --second sky.png in.png out.png MASK_SHADOWS=100,99\n"
    "  zelvan-tool apply --select 10,20,40,35 in.jpg out.jpg REDEYE\n"
    "  zelvan-tool apply in.jpg out.jpg 'TEXTMARK_BOTTOMRIGHT=@@C 2026 Ann @@D'\n"
    "  zelvan-tool apply --seed 7 in.png out.png NOISE=255,255,255 BORDER=255,4,4\n\n"
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

// `count` whole numbers 0..max separated by ",", and nothing else.
std::optional<std::vector<int>> ReadNumbers(const std::string& text, int count, int max) {
    std::vector<int> parts(static_cast<std::size_t>(count));
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (int n = 0; n < count; ++n) {
        if (n > 0 && (at == end || *at++ != ',')) return std::nullopt;
        int& part = parts[static_cast<std::size_t>(n)];
        const auto [next, error] = std::from_chars(at, end, part);
        if (error != std::errc() || part < 0 || part > max) return std::nullopt;
        at = next;
    }
    if (at != end) return std::nullopt;
    return parts;
}

// "L,T,R,B" with L < R and T < B.
std::optional<zv::PictureRect> ReadSelection(const std::string& text) {
    const auto parts = ReadNumbers(text, 4, std::numeric_limits<int>::max());
    if (!parts) return std::nullopt;
    const zv::PictureRect rect{(*parts)[0], (*parts)[1], (*parts)[2], (*parts)[3]};
    if (rect.Empty()) return std::nullopt;
    return rect;
}

// "R,G,B" as a window-system colour value (red in the low byte).
std::optional<std::uint32_t> ReadColour(const std::string& text) {
    const auto parts = ReadNumbers(text, 3, 255);
    if (!parts) return std::nullopt;
    return static_cast<std::uint32_t>((*parts)[0] | ((*parts)[1] << 8) | ((*parts)[2] << 16));
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

namespace {

// The options before IN.
struct ApplyOptions {
    std::string second;
    std::optional<zv::PictureRect> selection;
    std::uint32_t background = 0;
    std::optional<std::uint64_t> seed;
    zv::TextMarkStyle textStyle;
    std::optional<std::string> date;
    std::size_t firstPositional = 0;
};

std::optional<std::uint64_t> ReadSeed(const std::string& text) {
    std::uint64_t seed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seed);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return seed;
}

// "#RRGGBB" as a window-system colour value.
std::optional<std::uint32_t> ReadHexColour(const std::string& text) {
    if (text.size() != 7 || text[0] != '#') return std::nullopt;
    std::uint32_t rgb = 0;
    const auto [end, error] = std::from_chars(text.data() + 1, text.data() + 7, rgb, 16);
    if (error != std::errc() || end != text.data() + 7) return std::nullopt;
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

// FAMILY[,POINTS][,bold][,italic][,#RRGGBB].
std::optional<zv::FontChoice> ReadFont(const std::string& text) {
    std::vector<std::string> parts;
    for (std::size_t at = 0;;) {
        const std::size_t comma = text.find(',', at);
        parts.push_back(text.substr(at, comma - at));
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    zv::FontChoice font{parts[0], 8, false, false, 0};
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        int points = 0;
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), points);
        if (part == "bold") {
            font.bold = true;
        } else if (part == "italic") {
            font.italic = true;
        } else if (const auto colour = ReadHexColour(part)) {
            font.colour = *colour;
        } else if (i == 1 && error == std::errc() && end == part.data() + part.size() &&
                   points >= 1 && points <= 500) {
            font.points = points;
        } else {
            return std::nullopt;
        }
    }
    return font;
}

std::optional<ApplyOptions> ReadOptions(const Arguments& arguments) {
    ApplyOptions options;
    std::size_t i = 0;
    for (; i + 1 < arguments.size(); i += 2) {
        const std::string& name = arguments[i];
        if (name == "--second") {
            options.second = arguments[i + 1];
        } else if (name == "--select") {
            options.selection = ReadSelection(arguments[i + 1]);
            if (!options.selection) {
                std::cerr << "zelvan-tool apply: --select takes L,T,R,B with L < R and T < B\n";
                return std::nullopt;
            }
        } else if (name == "--background") {
            const std::optional<std::uint32_t> colour = ReadColour(arguments[i + 1]);
            if (!colour) {
                std::cerr << "zelvan-tool apply: --background takes R,G,B, each 0..255\n";
                return std::nullopt;
            }
            options.background = *colour;
        } else if (name == "--seed") {
            options.seed = ReadSeed(arguments[i + 1]);
            if (!options.seed) {
                std::cerr << "zelvan-tool apply: --seed takes a whole number 0.."
                          << std::numeric_limits<std::uint64_t>::max() << '\n';
                return std::nullopt;
            }
        } else if (name == "--font") {
            const std::optional<zv::FontChoice> font = ReadFont(arguments[i + 1]);
            if (!font) {
                std::cerr << "zelvan-tool apply: --font takes FAMILY[,POINTS][,bold][,italic]"
                             "[,#RRGGBB], POINTS 1..500\n";
                return std::nullopt;
            }
            options.textStyle.font = *font;
        } else if (name == "--outline") {
            const std::optional<std::uint32_t> colour = ReadColour(arguments[i + 1]);
            if (!colour) {
                std::cerr << "zelvan-tool apply: --outline takes R,G,B, each 0..255\n";
                return std::nullopt;
            }
            options.textStyle.outline = *colour;
        } else if (name == "--date") {
            options.date = arguments[i + 1];
        } else {
            break;
        }
    }
    options.firstPositional = i;
    return options;
}

// Today in the short form of the user's locale.
std::string ShortDate() {
    std::setlocale(LC_TIME, "");
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    const std::size_t length = std::strftime(text, sizeof text, "%x", &local);
    return std::string(text, length);
}

// The quiet host plus what the tool's options give: the input's name for
// @@F, the date, the noise seed, and text marks drawn by Qt on its
// offscreen platform by the text-mark module, loaded only when a mark is drawn.
class ApplyHost : public zv::QuietToolboxHost {
public:
    ApplyHost(zv::ImagingContext& imaging, const ApplyOptions& options, std::string input)
        : QuietHost(imaging), options_(options), input_(std::move(input)) {
        selection = options.selection.value_or(zv::PictureRect{});
        background = options.background;
    }

    std::string FileName() const override { return input_; }
    std::string Today() const override { return options_.date ? *options_.date : ShortDate(); }
    std::optional<std::uint64_t> RandomSeed() const override { return options_.seed; }
    zv::TextMarkPainter* TextPainter() override {
        if (!painterLooked_) {
            painterLooked_ = true;
            painter_ = LoadTextMarkPainter();
            if (painter_) painter_->style = options_.textStyle;
        }
        return painter_.get();
    }

private:
    const ApplyOptions& options_;
    std::string input_;
    bool painterLooked_ = false;
    std::unique_ptr<zv::TextMarkPainter> painter_;
};

// The duplicate picture, read and made 24-bit as the viewer's Duplicate
// leaves it.
bool LoadSecond(const std::string& path, zv::ImagingContext& imaging) {
    zv::ImagingContext second;
    if (!Load(path, second)) return false;
    zv::EnsureTrueColour(second);
    imaging.DuplicateBitmap = std::move(second.current);
    return true;
}

} // namespace

int RunApply(const Arguments& all) {
    const std::optional<ApplyOptions> options = ReadOptions(all);
    if (!options) return 2;
    const Arguments arguments(all.begin() + static_cast<std::ptrdiff_t>(options->firstPositional),
                              all.end());
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
    if (!options->second.empty() && !LoadSecond(options->second, imaging)) {
        std::cerr << "zelvan-tool apply: cannot read \"" << options->second << "\"\n";
        return 1;
    }

    ApplyHost host(imaging, *options, input);
    zv::ToolboxContext toolbox;
    zv::EffectValues kept;
    for (const std::string& line : lines) {
        const zv::LineResult result =
            zv::RunToolboxLine(line, zv::TheToolbox(), kept, host, toolbox, zv::LineScope::Tool);
        if (!result.message.empty()) std::cerr << "zelvan-tool apply: " << result.message << '\n';
    }
    return Save(output, *type, imaging);
}

} // namespace zvtool
