// zelvan-tool histogram: the level histograms of a picture and the mean and
// standard deviation of each, as the viewer's histogram computes them.

#include "LayerFiles.h"
#include "Subcommands.h"

#include "imaging/ImagingContext.h"
#include "processing/Histogram.h"
#include "processing/ImageReport.h"

#include <cstdint>
#include <iostream>
#include <memory>

namespace zvtool {

const char* const kHistogramUsage =
    "Usage: zelvan-tool histogram FILE\n\n"
    "Reads FILE as the viewer opens it, makes it true colour and prints its level\n"
    "histograms, tab-separated: a heading line, then one line per level 0..255 with\n"
    "the level and the pixel counts of red, green, blue, grey, saturation and hue\n"
    "(grey = (30 red + 60 green + 10 blue) div 100; saturation and hue on a 0..255\n"
    "scale), then the pixel count, and the mean and standard deviation of each column.\n";

int RunHistogram(const Arguments& arguments) {
    if (arguments.size() != 1 || arguments[0].starts_with("--")) {
        std::cerr << "zelvan-tool histogram: give one picture file\n\n" << kHistogramUsage;
        return 2;
    }
    zv::ImagingContext imaging;
    try {
        OpenPicture(arguments[0], imaging);
    } catch (const std::exception& error) {
        std::cerr << "zelvan-tool histogram: " << arguments[0] << ": " << error.what() << '\n';
        return 1;
    }
    zv::EnsureTrueColour(imaging);
    const auto histogram = std::make_unique<zv::ImageHistogram>();
    const zv::ImageHistogram& h = *histogram;
    zv::DoCalcHistogram(imaging.current, *histogram, true, true, true);

    std::cout << "level\tred\tgreen\tblue\tgray\tsaturation\thue\n";
    for (std::size_t level = 0; level < 256; ++level)
        std::cout << level << '\t' << h.red[level] << '\t' << h.green[level] << '\t'
                  << h.blue[level] << '\t' << h.gray[level] << '\t' << h.saturation[level] << '\t'
                  << h.hue[level] << '\n';
    const zv::ChannelStats* columns[] = {&h.redStats,  &h.greenStats,      &h.blueStats,
                                         &h.grayStats, &h.saturationStats, &h.hueStats};
    std::cout << "pixels\t" << static_cast<std::int64_t>(h.pixels) << '\n';
    std::cout << "mean";
    for (const zv::ChannelStats* stats : columns)
        std::cout << '\t'
                  << zv::FormatFixed2(static_cast<double>(zv::ChannelMean(*stats, h.pixels)));
    std::cout << "\nsd";
    for (const zv::ChannelStats* stats : columns)
        std::cout << '\t' << zv::FormatFixed2(static_cast<double>(zv::ChannelSd(*stats, h.pixels)));
    std::cout << '\n';
    return 0;
}

} // namespace zvtool
