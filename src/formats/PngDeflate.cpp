#include "formats/PngDeflate.h"

#include "platform/RowThreads.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

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

inline int Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    const int bOrC = pb <= pc ? b : c;
    return pa <= pb && pa <= pc ? a : bOrC;
}

// The filtered byte at i >= bpp: each loop below is free of branches and
// of aliasing, so the compiler works it in vector registers.
template <Filter f>
inline std::uint8_t Filtered(const std::uint8_t* __restrict row, const std::uint8_t* __restrict up,
                             std::size_t i, std::size_t bpp) {
    if constexpr (f == kNone) return row[i];
    if constexpr (f == kSub) return static_cast<std::uint8_t>(row[i] - row[i - bpp]);
    if constexpr (f == kUp) return static_cast<std::uint8_t>(row[i] - up[i]);
    if constexpr (f == kAverage)
        return static_cast<std::uint8_t>(row[i] - ((row[i - bpp] + up[i]) >> 1));
    return static_cast<std::uint8_t>(row[i] - Paeth(row[i - bpp], up[i], up[i - bpp]));
}

// One row through filter f into out; returns the weights' sum. The first
// bpp bytes have no left neighbour, which counts as 0.
template <Filter f>
std::uint64_t Apply(const std::uint8_t* __restrict row, const std::uint8_t* __restrict up,
                    std::size_t n, std::size_t bpp, std::uint8_t* __restrict out) {
    std::uint64_t sum = 0;
    const std::size_t lead = std::min(bpp, n);
    for (std::size_t i = 0; i < lead; ++i) {
        const int above = up[i];
        const int predictor = f == kUp || f == kPaeth ? above : f == kAverage ? above >> 1 : 0;
        out[i] = static_cast<std::uint8_t>(row[i] - predictor);
        sum += Weight(out[i]);
    }
    // In blocks whose sums fit 32 bits.
    for (std::size_t start = lead; start < n; start += 1u << 20) {
        const std::size_t end = std::min(n, start + (std::size_t{1} << 20));
        std::uint32_t part = 0;
        for (std::size_t i = start; i < end; ++i) {
            const std::uint8_t v = Filtered<f>(row, up, i, bpp);
            out[i] = v;
            part += Weight(v);
        }
        sum += part;
    }
    return sum;
}

using FilterPass = std::uint64_t (*)(const std::uint8_t*, const std::uint8_t*, std::size_t,
                                     std::size_t, std::uint8_t*);
constexpr FilterPass kFilterPasses[] = {Apply<kNone>, Apply<kSub>, Apply<kUp>, Apply<kAverage>,
                                        Apply<kPaeth>};

class RowFilter {
public:
    // For rows of at most `longest` bytes.
    RowFilter(std::size_t longest, std::size_t bpp, bool choose) : bpp_(bpp), choose_(choose) {
        if (choose)
            for (ByteVector& candidate : candidates_) candidate.resize(longest);
    }

    // The filter byte and the filtered row of n bytes, n + 1 bytes, to out.
    void operator()(const std::uint8_t* row, const std::uint8_t* up, std::size_t n,
                    std::uint8_t* out) {
        if (!choose_) {
            out[0] = kNone;
            std::memcpy(out + 1, row, n);
            return;
        }
        // The first of the least sums wins, in libpng's order of trying.
        std::size_t best = 0;
        std::uint64_t least = 0;
        for (std::size_t f = 0; f < candidates_.size(); ++f) {
            const std::uint64_t sum = kFilterPasses[f](row, up, n, bpp_, candidates_[f].data());
            if (f == 0 || sum < least) {
                best = f;
                least = sum;
            }
        }
        out[0] = static_cast<std::uint8_t>(best);
        std::memcpy(out + 1, candidates_[best].data(), n);
    }

private:
    std::size_t bpp_;
    bool choose_;
    std::array<ByteVector, 5> candidates_;
};

struct Band {
    ByteVector deflated;
    uLong adler = 0;
    std::size_t length = 0; // filtered bytes of the band's own rows
};

// One sub-image of the file: the whole picture, or one of the seven passes
// of an interlaced file, which take every dx-th pixel from x0 on of every
// dy-th row from y0 on.
struct Pass {
    std::uint32_t x0 = 0, dx = 1, y0 = 0, dy = 1;
    std::uint32_t width = 0, height = 0;
    std::size_t rowBytes = 0;
};

// Row y of a pass, in the order the file holds them.
struct PassRow {
    std::uint32_t pass;
    std::uint32_t y;
};

struct Layout {
    std::vector<Pass> passes;
    std::vector<PassRow> rows;
    std::vector<std::size_t> bandStarts; // indexes into rows; the last is rows.size()
    std::size_t longest = 0;             // bytes of the longest row
    std::size_t bpp = 1;                 // bytes a filter reaches back (at least 1)
    std::size_t pixelBytes = 0;          // bytes per pixel, 0 for packed pixels
};

Layout LayOut(const PngImageData& image) {
    Layout layout;
    layout.bpp = static_cast<std::size_t>(std::max(1, image.bitsPerPixel / 8));
    layout.pixelBytes =
        static_cast<std::size_t>(image.bitsPerPixel % 8 == 0 ? image.bitsPerPixel / 8 : 0);
    const auto add = [&](std::uint32_t x0, std::uint32_t dx, std::uint32_t y0, std::uint32_t dy) {
        Pass pass{x0, dx, y0, dy};
        pass.width = image.width > x0 ? (image.width - x0 + dx - 1) / dx : 0;
        pass.height = image.height > y0 ? (image.height - y0 + dy - 1) / dy : 0;
        // A pass without pixels has no rows in the file, not even filter bytes.
        if (pass.width == 0 || pass.height == 0) return;
        pass.rowBytes =
            static_cast<std::size_t>((std::uint64_t{pass.width} * image.bitsPerPixel + 7) / 8);
        layout.longest = std::max(layout.longest, pass.rowBytes);
        for (std::uint32_t y = 0; y < pass.height; ++y)
            layout.rows.push_back({static_cast<std::uint32_t>(layout.passes.size()), y});
        layout.passes.push_back(pass);
    };
    if (image.interlaced) {
        add(0, 8, 0, 8);
        add(4, 8, 0, 8);
        add(0, 4, 4, 8);
        add(2, 4, 0, 4);
        add(0, 2, 2, 4);
        add(1, 2, 0, 2);
        add(0, 1, 1, 2);
    } else {
        add(0, 1, 0, 1);
    }
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < layout.rows.size(); ++i) {
        if (bytes == 0) layout.bandStarts.push_back(i);
        bytes += layout.passes[layout.rows[i].pass].rowBytes + 1;
        if (bytes >= kBandBytes) bytes = 0;
    }
    layout.bandStarts.push_back(layout.rows.size());
    return layout;
}

// Row y of the pass in the file's order into `to`.
void PassRowBytes(const PngImageData& image, const Layout& layout, const Pass& pass,
                  std::uint32_t y, ByteVector& whole, std::uint8_t* to) {
    const std::uint32_t source = pass.y0 + y * pass.dy;
    if (pass.dx == 1) {
        image.row(source, to);
        return;
    }
    image.row(source, whole.data());
    const std::size_t size = layout.pixelBytes;
    for (std::uint32_t i = 0; i < pass.width; ++i)
        std::memcpy(to + i * size, whole.data() + (pass.x0 + std::size_t{i} * pass.dx) * size,
                    size);
}

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

// A worker's buffers, kept from band to band.
struct Scratch {
    ByteVector filtered;
    ByteVector deflated;
    ByteVector up;
    ByteVector row;
    ByteVector whole; // a whole row of the picture, for the interlaced passes
};

Band CompressBand(const PngImageData& image, const Layout& layout, std::size_t index,
                  Scratch& scratch) {
    const std::size_t first = layout.bandStarts[index];
    const std::size_t end = layout.bandStarts[index + 1];
    const auto line = [&](std::size_t i) {
        return layout.passes[layout.rows[i].pass].rowBytes + 1;
    };
    // The rows before the band are filtered again for the dictionary: a
    // row's filtering depends on the row and the one above it only.
    std::size_t from = first;
    for (std::size_t before = 0; from > 0 && before < kWindow;) before += line(--from);
    std::size_t own = 0;
    std::size_t size = 0;
    for (std::size_t i = from; i < end; ++i) {
        if (i == first) own = size;
        size += line(i);
    }

    ByteVector& filtered = scratch.filtered;
    filtered.resize(size);
    scratch.up.resize(layout.longest);
    scratch.row.resize(layout.longest);
    scratch.whole.resize(
        static_cast<std::size_t>((std::uint64_t{image.width} * image.bitsPerPixel + 7) / 8));
    RowFilter filter(layout.longest, layout.bpp, image.filtered);
    std::size_t at = 0;
    for (std::size_t i = from; i < end; ++i) {
        const PassRow row = layout.rows[i];
        const Pass& pass = layout.passes[row.pass];
        // The first row of a pass is filtered against a row of zeros.
        if (row.y == 0)
            std::fill_n(scratch.up.begin(), pass.rowBytes, 0);
        else if (i == from)
            PassRowBytes(image, layout, pass, row.y - 1, scratch.whole, scratch.up.data());
        PassRowBytes(image, layout, pass, row.y, scratch.whole, scratch.row.data());
        filter(scratch.row.data(), scratch.up.data(), pass.rowBytes, filtered.data() + at);
        at += pass.rowBytes + 1;
        scratch.row.swap(scratch.up);
    }

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
    const bool last = end == layout.rows.size();
    const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
    ByteVector& out = scratch.deflated;
    out.resize(
        std::max<std::size_t>(out.size(), deflateBound(&z, static_cast<uLong>(band.length)) + 64));
    z.next_in = filtered.data() + own;
    z.avail_in = static_cast<uInt>(band.length);
    std::size_t used = 0;
    int status = Z_OK;
    do {
        if (used == out.size()) out.resize(2 * out.size());
        z.next_out = out.data() + used;
        z.avail_out = static_cast<uInt>(out.size() - used);
        status = deflate(&z, flush);
        used = out.size() - z.avail_out;
    } while (status != Z_STREAM_ERROR && (last ? status != Z_STREAM_END : z.avail_out == 0));
    if (status == Z_STREAM_ERROR) throw std::runtime_error("deflate failed");
    band.deflated.assign(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(used));
    return band;
}

void PutU32BE(ByteVector& out, std::uint32_t v) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v >> 24),
                                   static_cast<std::uint8_t>(v >> 16),
                                   static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
    out.insert(out.end(), bytes, bytes + 4);
}

// A chunk whose data is the parts one after the other.
void PutChunk(ByteVector& file, const char* type,
              std::initializer_list<std::pair<const std::uint8_t*, std::size_t>> parts) {
    std::size_t size = 0;
    for (const auto& part : parts) size += part.second;
    PutU32BE(file, static_cast<std::uint32_t>(size));
    const std::size_t start = file.size();
    file.insert(file.end(), type, type + 4);
    for (const auto& [data, length] : parts)
        if (length > 0) file.insert(file.end(), data, data + length);
    PutU32BE(file, static_cast<std::uint32_t>(
                       crc32_z(crc32_z(0, nullptr, 0), file.data() + start, size + 4)));
}

} // namespace

void AppendPngImageData(std::vector<std::uint8_t>& file, const PngImageData& image) {
    const Layout layout = LayOut(image);
    const std::size_t count = layout.bandStarts.size() - 1;
    std::vector<Band> bands(count);
    std::atomic<std::size_t> next{0};
    std::mutex lock;
    std::exception_ptr failure;
    const auto work = [&] {
        Scratch scratch;
        for (std::size_t i = next++; i < count; i = next++) {
            try {
                bands[i] = CompressBand(image, layout, i, scratch);
            } catch (...) {
                const std::lock_guard<std::mutex> hold(lock);
                if (!failure) failure = std::current_exception();
            }
        }
    };
    // A batch worker that already runs a picture per core limits this to 1.
    const auto threads = static_cast<std::size_t>(RowThreads());
    std::vector<std::thread> helpers;
    try {
        for (std::size_t t = 1; t < std::min(threads, count); ++t) helpers.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads than cores: the ones there are share the bands.
    }
    work();
    for (std::thread& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);

    // One IDAT chunk per band; the zlib header goes before the first band,
    // the checksum of all the filtered bytes after the last. The header:
    // deflate with a 32 KiB window, the level's class as zlib itself marks
    // it, no preset dictionary.
    const int levelClass = image.level < 2 ? 0 : image.level < 6 ? 1 : image.level == 6 ? 2 : 3;
    const unsigned cmf = 0x78;
    unsigned flg = static_cast<unsigned>(levelClass) << 6;
    flg += 31 - (cmf * 256 + flg) % 31;
    const std::uint8_t header[2] = {static_cast<std::uint8_t>(cmf), static_cast<std::uint8_t>(flg)};
    std::size_t total = 0;
    for (const Band& band : bands) total += band.deflated.size() + 12;
    file.reserve(file.size() + total + 32);
    uLong adler = adler32_z(0, nullptr, 0);
    for (const Band& band : bands)
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.length));
    const std::uint8_t checksum[4] = {
        static_cast<std::uint8_t>(adler >> 24), static_cast<std::uint8_t>(adler >> 16),
        static_cast<std::uint8_t>(adler >> 8), static_cast<std::uint8_t>(adler)};
    if (bands.empty()) {
        // No rows: an empty stored block, as zlib ends an empty stream.
        const std::uint8_t empty[5] = {1, 0, 0, 0xFF, 0xFF};
        PutChunk(file, "IDAT", {{header, 2}, {empty, 5}, {checksum, 4}});
    }
    for (std::size_t i = 0; i < bands.size(); ++i) {
        ByteVector& deflated = bands[i].deflated;
        PutChunk(file, "IDAT",
                 {{header, i == 0 ? 2 : 0},
                  {deflated.data(), deflated.size()},
                  {checksum, i + 1 == bands.size() ? 4 : 0}});
        ByteVector().swap(deflated);
    }
    PutChunk(file, "IEND", {});
}

} // namespace zv
