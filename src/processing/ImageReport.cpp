#include "processing/ImageReport.h"

#include "formats/JpegReader.h"
#include "formats/JpegWriter.h"
#include "platform/linux/AtomicFile.h"
#include "processing/Complexity.h"
#include "processing/Histogram.h"
#include "processing/Kernel3x3.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace zv {

namespace {

void RequireTrueColour(const Bitmap& picture) {
    if (picture.Format() != PixelFormat::Bits24)
        throw std::invalid_argument("the analysis needs a 24-bit picture");
}

// Round halves to even, as the rest of the toolbox does.
std::int64_t Round(long double value) {
    return static_cast<std::int64_t>(std::nearbyint(value));
}

ChannelFigures FiguresOf(const ChannelStats& stats, long double pixels) {
    const long double mean = ChannelMean(stats, pixels);
    const long double sd = ChannelSd(stats, pixels);
    const std::int64_t lo = std::max<std::int64_t>(0, Round(mean) - Round(sd));
    const std::int64_t hi = std::min<std::int64_t>(255, Round(mean) + Round(sd));
    return {static_cast<double>(mean), static_cast<double>(sd), static_cast<int>(hi - lo)};
}

int LevelsUsed(const ImageHistogram::Counts& counts) {
    const auto used = std::count_if(counts.begin(), counts.begin() + 256,
                                    [](std::int32_t count) { return count > 0; });
    return static_cast<int>(std::min<std::ptrdiff_t>(used, 255));
}

// The difference index of a picture against its changed copy: sum x 10 / P.
double DifferenceIndex(const Bitmap& picture, const Bitmap& changed) {
    const std::int64_t pixels = std::int64_t{picture.Width()} * picture.Height();
    if (pixels == 0) return 0;
    return static_cast<double>(static_cast<long double>(SquaredDifference(picture, changed)) * 10 /
                               pixels);
}

Bitmap JpegRoundTrip(const Bitmap& picture) {
    TJpegWriter writer;
    writer.quality = kAnalysisJpegQuality;
    TJpegReader reader;
    reader.ReadHeader(writer.Compress(picture));
    reader.output = JpegOutput::Bits24;
    Bitmap decoded;
    reader.Decode(decoded);
    return decoded;
}

std::string Decimal(std::int64_t value) {
    return std::to_string(value);
}

std::string ChannelLine(std::string_view label, const ChannelFigures& figures) {
    return std::string(label) + " values:  Mean = " + FormatFixed2(figures.mean) +
           "  sd. = " + FormatFixed2(figures.sd) + "  gamut = " + Decimal(figures.gamut);
}

std::string FilenameLine(const ReportedFile& file) {
    std::string line = "Filename: " + file.name;
    if (file.state == ReportedState::Modified) line += " (modified)";
    if (file.state == ReportedState::RegionOfInterest) line += " (region of interest)";
    return line;
}

} // namespace

std::int64_t SquaredDifference(const Bitmap& a, const Bitmap& b) {
    RequireTrueColour(a);
    RequireTrueColour(b);
    if (a.Width() != b.Width() || a.Height() != b.Height())
        throw std::invalid_argument("the pictures compared differ in size");
    const auto rowBytes = static_cast<std::size_t>(a.Width()) * 3;
    // 64 bits: a 32-bit sum would overflow after about 33,000 bytes that
    // differ by 255.
    std::int64_t sum = 0;
    for (std::int32_t y = 0; y < a.Height(); ++y) {
        const std::uint8_t* p = a.ScanLine(y);
        const std::uint8_t* q = b.ScanLine(y);
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int d = int{p[i]} - int{q[i]};
            sum += d * d;
        }
    }
    return sum;
}

double JpegQualityIndex(const Bitmap& picture) {
    RequireTrueColour(picture);
    if (picture.Empty()) return 0;
    return DifferenceIndex(picture, JpegRoundTrip(picture));
}

double SmoothnessIndex(const Bitmap& picture) {
    RequireTrueColour(picture);
    Bitmap blurred = picture;
    GaussianBlur3x3(blurred, 0, false, 9);
    return DifferenceIndex(picture, blurred);
}

double DetailIndex(const Bitmap& picture) {
    RequireTrueColour(picture);
    Bitmap sharpened = picture;
    MeanRemoval(sharpened, 2);
    return DifferenceIndex(picture, sharpened);
}

ImageAnalysis AnalyzePicture(const Bitmap& picture, std::int64_t fileSize,
                             std::optional<std::int64_t> complexityDivisor) {
    RequireTrueColour(picture);
    ImageAnalysis a;
    a.pixels = std::int64_t{picture.Width()} * picture.Height();
    a.fileSize = fileSize;

    const auto histogram = std::make_unique<ImageHistogram>();
    const ImageHistogram& h = *histogram;
    DoCalcHistogram(picture, *histogram, true, true, true);
    a.red = FiguresOf(h.redStats, h.pixels);
    a.green = FiguresOf(h.greenStats, h.pixels);
    a.blue = FiguresOf(h.blueStats, h.pixels);
    a.gray = FiguresOf(h.grayStats, h.pixels);
    a.saturation = FiguresOf(h.saturationStats, h.pixels);
    a.hue = FiguresOf(h.hueStats, h.pixels);

    a.redLevels = LevelsUsed(h.red);
    a.greenLevels = LevelsUsed(h.green);
    a.blueLevels = LevelsUsed(h.blue);
    const long double product = (a.red.gamut * a.redLevels / 255.0L) *
                                (a.green.gamut * a.greenLevels / 255.0L) *
                                (a.blue.gamut * a.blueLevels / 255.0L);
    // An estimate of the colours a picture holds can be neither more than its
    // pixels nor more than there are 24-bit colours.
    a.uniqueColours = std::min<std::int64_t>(
        Round(product), std::min<std::int64_t>(a.pixels, std::int64_t{1} << 24));
    a.diversity = static_cast<double>(product / (255.0L * 255.0L * 255.0L) * 10000);

    const bool grey = a.red.gamut == a.green.gamut && a.green.gamut == a.blue.gamut;
    a.rawSize = grey ? a.pixels : 3 * a.pixels;
    a.compressionRatio =
        fileSize > 0 ? static_cast<double>(static_cast<long double>(a.rawSize) / fileSize) : 0;

    a.jpegQuality = JpegQualityIndex(picture);
    a.smoothness = SmoothnessIndex(picture);
    a.detail = DetailIndex(picture);
    // A picture without any detail and without any smoothing effect has no
    // sharpness term rather than 0 / 0.
    const double spread = std::sqrt(a.smoothness) + a.detail;
    a.overall = (spread > 0 ? a.detail / spread * a.diversity : 0) + a.jpegQuality;

    if (complexityDivisor) {
        Bitmap copy = picture;
        a.complexity = ComplexityIndex(copy, kComplexityQuality, *complexityDivisor);
    }
    return a;
}

void AppendReportLines(std::vector<std::string>& lines, const ReportedFile& file,
                       const ImageAnalysis& a, bool compareMode) {
    const auto blank = [&] {
        if (!compareMode) lines.emplace_back();
    };
    lines.push_back(FilenameLine(file));
    lines.push_back("Location: " + file.folder);
    if (!compareMode) {
        lines.emplace_back();
        lines.push_back(ChannelLine("Red", a.red));
        lines.push_back(ChannelLine("Grn", a.green));
        lines.push_back(ChannelLine("Blu", a.blue));
        lines.emplace_back();
        lines.push_back(ChannelLine("Gry", a.gray));
        lines.push_back(ChannelLine("Sat", a.saturation));
        lines.push_back(ChannelLine("Hue", a.hue));
        lines.emplace_back();
    }
    lines.push_back("Estimated Unique Colors: " + Decimal(a.uniqueColours));
    blank();
    lines.push_back("Filesize: " + Decimal(a.fileSize) + " bytes (" +
                    FormatOptionalDigits(a.compressionRatio) + " : 1 compression)");
    blank();
    lines.push_back("Color Diversity Index = " + FormatFixed2(a.diversity) + " (higher is better)");
    lines.push_back("JPEG Quality Index = " + FormatFixed2(a.jpegQuality) + " (higher is better)");
    lines.push_back("Smoothness Index = " + FormatFixed2(a.smoothness) + " (lower is softer)");
    lines.push_back("Detail Index = " + FormatFixed2(a.detail) + " (higher is sharper)");
    blank();
    lines.push_back("Overall Rating = " + FormatOptionalDigits(a.overall) + " (higher is better)");
    if (a.complexity) {
        lines.emplace_back();
        lines.push_back("Complexity Rating = " + Decimal(*a.complexity) +
                        " (higher has more texture)");
    }
}

std::vector<std::string> VerdictLines(const ReportedFile& first, const ImageAnalysis& a1,
                                      const ReportedFile& second, const ImageAnalysis& a2) {
    std::vector<std::string> lines;
    if (a1.pixels != a2.pixels) return lines;
    const auto verdict = [&](const ReportedFile& winner) {
        lines.emplace_back();
        lines.push_back(winner.folder);
        lines.push_back(winner.name + " is better.");
    };
    const double q1 = a1.jpegQuality, q2 = a2.jpegQuality;
    const double s1 = a1.smoothness, s2 = a2.smoothness;
    const double t1 = a1.detail, t2 = a2.detail;
    const double o1 = a1.overall, o2 = a2.overall;
    if (q1 > q2 && a2.fileSize < a1.fileSize && !(s2 * 1.03 <= s1 && t1 <= t2 && o1 <= o2))
        verdict(first);
    if (q1 < q2 && a1.fileSize < a2.fileSize && !(s1 * 1.03 <= s2 && t1 >= t2 && o1 >= o2))
        verdict(second);
    return lines;
}

std::vector<std::string> CompareReportLines(const ReportedFile& first, const ImageAnalysis& a1,
                                            const ReportedFile& second, const ImageAnalysis& a2) {
    std::vector<std::string> lines;
    AppendReportLines(lines, first, a1, true);
    lines.emplace_back();
    lines.emplace_back();
    AppendReportLines(lines, second, a2, true);
    for (std::string& line : VerdictLines(first, a1, second, a2)) lines.push_back(std::move(line));
    return lines;
}

std::string ReportQuestionText(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    return text + "\n\nSave to text file?";
}

std::filesystem::path WriteImageReport(const std::filesystem::path& folder,
                                       const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    const std::filesystem::path path = folder / kImageReportFileName;
    WriteFileAtomically(path, text);
    return path;
}

std::string FormatFixed2(double value) {
    if (value == 0) value = 0; // no "-0.00"
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    if (result.ec != std::errc()) return "0.00";
    return std::string(buffer, result.ptr);
}

std::string FormatOptionalDigits(double value) {
    std::string text = FormatFixed2(value);
    std::string sign;
    if (!text.empty() && text.front() == '-') {
        sign = "-";
        text.erase(0, 1);
    }
    const std::size_t point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string decimals = point == std::string::npos ? std::string() : text.substr(point + 1);
    while (!decimals.empty() && decimals.back() == '0') decimals.pop_back();
    if (whole == "0") whole.clear();
    std::string digits = whole + (decimals.empty() ? "" : "." + decimals);
    return digits.empty() ? digits : sign + digits;
}

} // namespace zv
