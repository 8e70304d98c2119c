// Opening a 24-megapixel baseline JPEG (6000 x 4000, 4:2:0, quality 90) with
// the shared JPEG reader, from the path to the finished Bitmap: at full size,
// at 1/2 (fitted into a 1600 x 1200 view) and at 1/8, for both performance
// choices. scripts/bench-djpeg times djpeg on the same file; it sets
// ZV_BENCH_JPEG to where the file is kept, otherwise it is a temporary file.

#include "BenchPictures.h"
#include "formats/JpegReader.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <jpeglib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = zvbench::kPhotoWidth;
constexpr int kHeight = zvbench::kPhotoHeight;

zv::Bytes PhotoJpeg() {
    jpeg_compress_struct c{};
    jpeg_error_mgr errors{};
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = kWidth;
    c.image_height = kHeight;
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c); // baseline, 4:2:0
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<std::uint8_t> bgr(3 * kWidth);
    for (int y = 0; y < kHeight; ++y) {
        zvbench::PhotoRow(y, bgr.data());
        JSAMPROW row = bgr.data();
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    zv::Bytes file(out, out + size);
    std::free(out);
    return file;
}

class PhotoFile {
public:
    PhotoFile() {
        const char* kept = std::getenv("ZV_BENCH_JPEG");
        temporary_ = kept == nullptr || *kept == '\0';
        path_ = temporary_ ? std::filesystem::temp_directory_path() /
                                 ("zvbench-" + std::to_string(getpid()) + ".jpg")
                           : std::filesystem::path(kept);
        const zv::Bytes bytes = PhotoJpeg();
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    ~PhotoFile() {
        if (temporary_) std::filesystem::remove(path_);
    }
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
    bool temporary_ = true;
};

const std::filesystem::path& PhotoPath() {
    static const PhotoFile file;
    return file.Path();
}

void Open(benchmark::State& state, int scale, zv::JpegPerformance performance) {
    const std::filesystem::path& path = PhotoPath();
    for (auto _ : state) {
        zv::TJpegReader reader;
        reader.ReadHeader(path);
        reader.SetScale(scale);
        reader.performance = performance;
        zv::Bitmap picture;
        reader.Decode(picture);
        benchmark::DoNotOptimize(picture.ScanLine(0));
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{kWidth} * kHeight);
}

void RegisterAll() {
    struct Size {
        const char* name;
        int scale;
    };
    const int fitted = zv::ChooseJpegScale(kWidth, kHeight, 1600, 1200, false);
    for (const Size size : {Size{"full", 1}, Size{"fitted", fitted}, Size{"eighth", 8}})
        for (const auto performance : {zv::JpegPerformance::Speed, zv::JpegPerformance::Quality}) {
            const std::string name =
                std::string("JpegOpen24MP/") + size.name + "/" +
                (performance == zv::JpegPerformance::Speed ? "speed" : "quality");
            benchmark::RegisterBenchmark(name.c_str(), Open, size.scale, performance)
                ->Unit(benchmark::kMillisecond)
                ->MinTime(1.0);
        }
}

const bool registered = (RegisterAll(), true);

} // namespace
