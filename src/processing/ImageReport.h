#pragma once
// The picture analysis of the Analyze command: the measures of one
// true-colour picture as plain numbers, the report lines built from them,
// the verdict of a two-picture comparison, and "ImageReport.txt".
//
// Numbers in the report are written the same way in every locale.

#include "imaging/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace zv {

inline constexpr const char* kImageReportFileName = "ImageReport.txt";
// The JPEG quality of the round trip that measures the quality index.
inline constexpr int kAnalysisJpegQuality = 66;

// Mean and standard deviation of one channel's levels, and its gamut:
// hi - lo with lo = max(0, Round(mean) - Round(sd)) and
// hi = min(255, Round(mean) + Round(sd)), rounding halves to even.
struct ChannelFigures {
    double mean = 0;
    double sd = 0;
    int gamut = 0;
};

struct ImageAnalysis {
    std::int64_t pixels = 0; // P = width x height
    ChannelFigures red;
    ChannelFigures green;
    ChannelFigures blue;
    ChannelFigures gray;
    ChannelFigures saturation;
    ChannelFigures hue;
    std::int64_t fileSize = 0; // F, bytes of the file on disk
    // Levels with a count above 0, at most 255 (all 256 count as 255).
    int redLevels = 0;
    int greenLevels = 0;
    int blueLevels = 0;
    // E = Round(product), product = (gamut x levels / 255) over red, green, blue.
    std::int64_t uniqueColours = 0;
    double diversity = 0;                   // D = product / 255^3 x 10000
    std::int64_t rawSize = 0;               // U: 3 P, or P when the three gamuts are equal
    double compressionRatio = 0;            // U / F; 0 when F is 0
    double jpegQuality = 0;                 // Q: the JPEG round trip's difference index
    double smoothness = 0;                  // S: the same for the 3x3 mean
    double detail = 0;                      // T: the same for mean removal of strength 2
    double overall = 0;                     // O = T / (sqrt(S) + T) x D + Q
    std::optional<std::int64_t> complexity; // C, when asked for
};

// The sum over every byte of the two pictures' rows of the squared
// difference, in 64 bits. The pictures must be Bits24 of the same size
// (otherwise std::invalid_argument).
std::int64_t SquaredDifference(const Bitmap& a, const Bitmap& b);

// sum x 10 / P for the picture against a changed copy of it: the copy made
// by a JPEG round trip at kAnalysisJpegQuality, by GaussianBlur3x3(0, no, 9),
// and by MeanRemoval(2). An empty picture gives 0.
double JpegQualityIndex(const Bitmap& picture);
double SmoothnessIndex(const Bitmap& picture);
double DetailIndex(const Bitmap& picture);

// Every measure of a Bits24 picture (other formats throw
// std::invalid_argument). With a complexity divisor, C is
// ComplexityIndex(copy of the picture, 66, divisor). The picture itself is
// not changed. A JPEG failure (a picture too large for JPEG) throws the
// writer's or reader's exception.
ImageAnalysis AnalyzePicture(const Bitmap& picture, std::int64_t fileSize,
                             std::optional<std::int64_t> complexityDivisor = std::nullopt);

// What the report says after the file name.
enum class ReportedState {
    AsLoaded,
    Modified,        // " (modified)"
    RegionOfInterest // " (region of interest)": the analysis ran on the cropped region
};

struct ReportedFile {
    std::string name;   // the file name shown after "Filename: "
    std::string folder; // the folder path shown after "Location: "
    ReportedState state = ReportedState::AsLoaded;
};

// Appends one picture's lines. Outside compare mode the six channel lines
// are included and blank lines separate the groups; in compare mode the
// channel lines and those blank lines are left out. The complexity line,
// when there is one, always follows a blank line.
void AppendReportLines(std::vector<std::string>& lines, const ReportedFile& file,
                       const ImageAnalysis& analysis, bool compareMode);

// The verdict lines of a comparison, empty unless both pictures have the
// same pixel count: for each picture judged better (the first, then the
// second), a blank line, its folder and its name + " is better.".
std::vector<std::string> VerdictLines(const ReportedFile& first, const ImageAnalysis& a1,
                                      const ReportedFile& second, const ImageAnalysis& a2);

// The whole comparison: the first picture's lines, two blank lines, the
// second picture's lines, then the verdict.
std::vector<std::string> CompareReportLines(const ReportedFile& first, const ImageAnalysis& a1,
                                            const ReportedFile& second, const ImageAnalysis& a2);

// The text of the information box outside compare mode: the lines, then
// "\n\n" and "Save to text file?".
std::string ReportQuestionText(const std::vector<std::string>& lines);

// Writes the lines, each ended by a line feed, as kImageReportFileName in
// the folder, replacing an earlier report only once the new one is complete
// (EFileWriteError on failure). Returns the file's path.
std::filesystem::path WriteImageReport(const std::filesystem::path& folder,
                                       const std::vector<std::string>& lines);

// "%.2f" in every locale: 12.345 gives "12.35" (to the nearest, as printf).
std::string FormatFixed2(double value);
// A number in the picture format "#.##": at most two decimals, trailing
// zeros and a leading zero of the whole part left out, the point only when
// decimals follow. 3.10 gives "3.1", 0.25 gives ".25", 0 gives "".
std::string FormatOptionalDigits(double value);

} // namespace zv
