// Reading and writing a 24-megapixel picture in each format of the
// image-format layer, in memory (PNG and TIFF at their default settings).

#include "BenchPictures.h"
#include "formats/DibGraphic.h"
#include "formats/GraphicClasses.h"

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace {

using zv::Bytes;
using zv::ImageFormat;
using zv::TDibGraphic;

constexpr int kWidth = zvbench::kPhotoWidth;
constexpr int kHeight = zvbench::kPhotoHeight;

// The benchmarks' photograph as a picture of the layer.
const TDibGraphic& Photo() {
    static const auto photo = [] {
        auto image = std::make_unique<TDibGraphic>();
        image->NewImage(kWidth, kHeight, ImageFormat::Color24);
        for (int y = 0; y < kHeight; ++y) zvbench::PhotoRow(y, image->ScanLine(y));
        return image;
    }();
    return *photo;
}

const Bytes& Encoded(const std::string& extension) {
    static std::map<std::string, Bytes> files;
    auto it = files.find(extension);
    if (it == files.end()) {
        auto writer = zv::NewGraphicForExtension(extension);
        writer->Assign(Photo());
        Bytes bytes;
        writer->SaveToStream(bytes);
        it = files.emplace(extension, std::move(bytes)).first;
    }
    return it->second;
}

void Write(benchmark::State& state, const std::string& extension) {
    auto writer = zv::NewGraphicForExtension(extension);
    writer->Assign(Photo());
    for (auto _ : state) {
        Bytes bytes;
        writer->SaveToStream(bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 3);
}

void Read(benchmark::State& state, const std::string& extension) {
    const Bytes& file = Encoded(extension);
    for (auto _ : state) {
        auto reader = zv::NewGraphicForExtension(extension);
        reader->LoadFromStream(file);
        benchmark::DoNotOptimize(reader->ScanLine(0));
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t{kWidth} * kHeight * 3);
}

void RegisterAll() {
    for (const char* extension : {".BMP", ".PCX", ".TGA", ".PNG", ".TIF"}) {
        const std::string name = std::string(extension + 1);
        benchmark::RegisterBenchmark(("Write24MP/" + name).c_str(), Write, std::string(extension))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(2);
        benchmark::RegisterBenchmark(("Read24MP/" + name).c_str(), Read, std::string(extension))
            ->Unit(benchmark::kMillisecond)
            ->Iterations(2);
    }
}

const int registered = (RegisterAll(), 0);

} // namespace
