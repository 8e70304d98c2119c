#include "formats/PngDeflate.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace zv {

namespace {

using ByteVector = std::vector<std::uint8_t>;

// Filtered bytes per band: large enough that the bands' seams (a flush and
// a new block's tables each) cost a few hundred bytes in megabytes.
constexpr std::size_t kBandBytes = std::size_t{1} << 20;
constexpr std::size_t kWindow = 32768;

enum Filter : std::uint8_t { kNone, kSub, kUp, kAverage, kPaeth };

// The weight libpng's choice gives a filtered byte: its size as a signed byte.
inline std::uint32_t Weight(std::uint8_t v) {
    return v < 128 ? v : 256u - v;
}

inline std::uint8_t Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// One row through filter f into out; returns the weights' sum.
std::uint64_t Apply(Filter f, const std::uint8_t* row, const std::uint8_t* up, std::size_t n,
                    std::size_t bpp, std::uint8_t* out) {
    std::uint64_t sum = 0;
    const std::size_t lead = std::min(bpp, n);
    switch (f) {
    case kNone:
        for (std::size_t i = 0; i < n; ++i) sum += Weight(out[i] = row[i]);
        break;
    case kSub:
        for (std::size_t i = 0; i < lead; ++i) sum += Weight(out[i] = row[i]);
        for (std::size_t i = lead; i < n; ++i)
            sum += Weight(out[i] = static_cast<std::uint8_t>(row[i] - row[i - bpp]));
        break;
    case kUp:
        for (std::size_t i = 0; i < n; ++i)
            sum += Weight(out[i] = static_cast<std::uint8_t>(row[i] - up[i]));
        break;
    case kAverage:
        for (std::size_t i = 0; i < lead; ++i)
            sum += Weight(out[i] = static_cast<std::uint8_t>(row[i] - (up[i] >> 1)));
        for (std::size_t i = lead; i < n; ++i)
            sum +=
                Weight(out[i] = static_cast<std::uint8_t>(row[i] - ((row[i - bpp] + up[i]) >> 1)));
        break;
    case kPaeth:
        for (std::size_t i = 0; i < lead; ++i)
            sum += Weight(out[i] = static_cast<std::uint8_t>(row[i] - up[i]));
        for (std::size_t i = lead; i < n; ++i)
            sum += Weight(out[i] = static_cast<std::uint8_t>(
                              row[i] - Paeth(row[i - bpp], up[i], up[i - bpp])));
        break;
    }
    return sum;
}

class RowFilter {
public:
    RowFilter(std::size_t rowBytes, std::size_t bpp, bool choose)
        : n_(rowBytes), bpp_(bpp), choose_(choose) {
        if (choose)
            for (ByteVector& candidate : candidates_) candidate.resize(rowBytes);
    }

    // The filter byte and the filtered row, n + 1 bytes, to out.
    void operator()(const std::uint8_t* row, const std::uint8_t* up, std::uint8_t* out) {
        if (!choose_) {
            out[0] = kNone;
            std::memcpy(out + 1, row, n_);
            return;
        }
        // The first of the least sums wins, in libpng's order of trying.
        std::size_t best = 0;
        std::uint64_t least = 0;
        for (std::size_t f = 0; f < candidates_.size(); ++f) {
            const std::uint64_t sum =
                Apply(static_cast<Filter>(f), row, up, n_, bpp_, candidates_[f].data());
            if (f == 0 || sum < least) {
                best = f;
                least = sum;
            }
        }
        out[0] = static_cast<std::uint8_t>(best);
        std::memcpy(out + 1, candidates_[best].data(), n_);
    }

private:
    std::size_t n_;
    std::size_t bpp_;
    bool choose_;
    std::array<ByteVector, 5> candidates_;
};

struct Band {
    ByteVector deflated;
    uLong adler = 0;
    std::size_t length = 0; // filtered bytes of the band's own rows
};

struct Layout {
    std::size_t rowBytes;
    std::size_t bpp;
    std::uint32_t rowsPerBand;
    std::uint32_t dictionaryRows; // rows before a band whose bytes fill the window
    std::size_t bands;
};

// A raw deflate stream (no zlib header or checksum) for one band.
struct Deflater {
    z_stream z{};
    Deflater(int level, int strategy) {
        if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy) != Z_OK)
            throw std::runtime_error("deflateInit2 failed");
    }
    ~Deflater() { deflateEnd(&z); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;
};

Band CompressBand(const PngImageData& image, const Layout& layout, std::size_t index) {
    const std::size_t line = layout.rowBytes + 1;
    const std::uint32_t first = static_cast<std::uint32_t>(index) * layout.rowsPerBand;
    const std::uint32_t end = std::min(image.height, first + layout.rowsPerBand);
    const std::uint32_t from = first - std::min(first, layout.dictionaryRows);

    // The rows before the band are filtered again for the dictionary: the
    // filters depend on a row and the one above only.
    ByteVector filtered(std::size_t{end - from} * line);
    ByteVector up(layout.rowBytes, 0);
    ByteVector row(layout.rowBytes, 0);
    if (from > 0) image.row(from - 1, up.data());
    RowFilter filter(layout.rowBytes, layout.bpp, image.filtered);
    for (std::uint32_t y = from; y < end; ++y) {
        image.row(y, row.data());
        filter(row.data(), up.data(), filtered.data() + std::size_t{y - from} * line);
        row.swap(up);
    }
    const std::size_t own = std::size_t{first - from} * line;

    Band band;
    band.length = filtered.size() - own;
    band.adler = adler32_z(adler32_z(0, nullptr, 0), filtered.data() + own, band.length);

    // zlib's default strategy: on filtered photographs it gives files some
    // percent smaller than the filtered strategy libpng takes, and sooner.
    Deflater deflater(image.level, Z_DEFAULT_STRATEGY);
    z_stream& z = deflater.z;
    const std::size_t dictionary = std::min(own, kWindow);
    if (dictionary > 0 && deflateSetDictionary(&z, filtered.data() + own - dictionary,
                                               static_cast<uInt>(dictionary)) != Z_OK)
        throw std::runtime_error("deflateSetDictionary failed");
    // A band ends on a byte boundary, the last one with the final block.
    const bool last = end == image.height;
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    band.deflated.resize(deflateBound(&z, static_cast<uLong>(band.length)) + 64);
    z.next_in = filtered.data() + own;
    z.avail_in = static_cast<uInt>(band.length);
    std::size_t used = 0;
    int status = Z_OK;
    do {
        if (used == band.deflated.size()) band.deflated.resize(2 * band.deflated.size());
        z.next_out = band.deflated.data() + used;
        z.avail_out = static_cast<uInt>(band.deflated.size() - used);
        status = deflate(&z, flush);
        used = band.deflated.size() - z.avail_out;
    } while (status != Z_STREAM_ERROR && (last ? status != Z_STREAM_END : z.avail_out == 0));
    if (status == Z_STREAM_ERROR) throw std::runtime_error("deflate failed");
    band.deflated.resize(used);
    return band;
}

void PutU32BE(ByteVector& out, std::uint32_t v) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v >> 24),
                                   static_cast<std::uint8_t>(v >> 16),
                                   static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    out.insert(out.end(), bytes, bytes + 4);
}

void PutChunk(ByteVector& file, const char* type, const std::uint8_t* data, std::size_t size) {
    PutU32BE(file, static_cast<std::uint32_t>(size));
    const std::size_t start = file.size();
    file.insert(file.end(), type, type + 4);
    if (size > 0) file.insert(file.end(), data, data + size);
    PutU32BE(file, static_cast<std::uint32_t>(
                       crc32_z(crc32_z(0, nullptr, 0), file.data() + start, size + 4)));
}

} // namespace

std::vector<std::uint8_t> CompressPngImage(const PngImageData& image) {
    Layout layout{};
    layout.rowBytes =
        static_cast<std::size_t>((std::uint64_t{image.width} * image.bitsPerPixel + 7) / 8);
    layout.bpp = static_cast<std::size_t>(std::max(1, image.bitsPerPixel / 8));
    const std::size_t line = layout.rowBytes + 1;
    layout.rowsPerBand = static_cast<std::uint32_t>(std::max<std::size_t>(1, kBandBytes / line));
    layout.dictionaryRows = static_cast<std::uint32_t>((kWindow + line - 1) / line);
    layout.bands = image.height == 0 ? 0 : (image.height - 1) / layout.rowsPerBand + 1;

    std::vector<Band> bands(layout.bands);
    std::atomic<std::size_t> next{0};
    std::mutex lock;
    std::exception_ptr failure;
    const auto work = [&] {
        for (std::size_t i = next++; i < layout.bands; i = next++) {
            try {
                bands[i] = CompressBand(image, layout, i);
            } catch (...) {
                const std::lock_guard<std::mutex> hold(lock);
                if (!failure) failure = std::current_exception();
            }
        }
    };
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> helpers;
    try {
        for (std::size_t t = 1; t < std::min(cores, layout.bands); ++t) helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads than cores: the ones there are share the bands.
    }
    work();
    for (std::thread& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);

    // The zlib header: deflate with a 32 KiB window, the level's class as
    // zlib itself marks it, no preset dictionary.
    const int levelClass = image.level < 2 ? 0 : image.level < 6 ? 1 : image.level == 6 ? 2 : 3;
    const unsigned cmf = 0x78;
    unsigned flg = static_cast<unsigned>(levelClass) << 6;
    flg += 31 - (cmf * 256 + flg) % 31;
    ByteVector stream{static_cast<std::uint8_t>(cmf), static_cast<std::uint8_t>(flg)};
    std::size_t total = 2 + 4;
    for (const Band& band : bands) total += band.deflated.size();
    stream.reserve(total);
    uLong adler = adler32_z(0, nullptr, 0);
    for (Band& band : bands) {
        stream.insert(stream.end(), band.deflated.begin(), band.deflated.end());
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.length));
        ByteVector().swap(band.deflated);
    }
    PutU32BE(stream, static_cast<std::uint32_t>(adler));
    return stream;
}

void AppendPngImageChunks(std::vector<std::uint8_t>& file,
                          const std::vector<std::uint8_t>& stream) {
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    file.reserve(file.size() + stream.size() + (stream.size() / kChunk + 2) * 12);
    for (std::size_t at = 0; at < stream.size(); at += kChunk)
        PutChunk(file, "IDAT", stream.data() + at, std::min(kChunk, stream.size() - at));
    PutChunk(file, "IEND", nullptr, 0);
}

} // namespace zv
