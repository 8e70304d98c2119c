// libjpeg reports a fatal error by calling error_exit, which must not return,
// and an exception thrown through its C frames would not unwind them. Ours
// records the text and longjmps back to the guarded step that called into
// libjpeg. Each step is a short lambda run inside Guarded, which has no
// locals; no object with a destructor lives between its setjmp and the
// libjpeg call, so the jump skips only libjpeg's frames. Guarded then
// returns false and its caller, back in ordinary C++, throws.

#include "formats/JpegWriter.h"

#include "imaging/PixelConvert.h"
#include "platform/linux/AtomicFile.h"

#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

namespace {

// Rows handed to libjpeg at a time: two MCU rows at 1 x 1 sampling.
constexpr int kRowBatch = 16;
constexpr std::int64_t kLargestReserve = std::int64_t{64} << 20;

struct ErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// A compressor has nothing to warn about that the user could act on.
void OnMessage(j_common_ptr) {}

template <typename Step> [[gnu::noinline]] bool Guarded(ErrorManager& errors, Step&& step) {
    if (setjmp(errors.jump) != 0) return false;
    step();
    return true;
}

// The compressed bytes go straight into a vector. (libjpeg's own memory
// destination cannot be cleaned up after a failure part-way: it frees its
// buffer on growth before telling the caller where the new one is.)
struct VectorDestination : jpeg_destination_mgr {
    static constexpr std::size_t kChunk = 1 << 16;

    VectorDestination() : jpeg_destination_mgr{} {}

    Bytes* out = nullptr;
    std::vector<JOCTET> chunk = std::vector<JOCTET>(kChunk);

    void Install(jpeg_compress_struct& info, Bytes& target) {
        out = &target;
        init_destination = Init;
        empty_output_buffer = Empty;
        term_destination = Term;
        info.dest = this;
    }

private:
    static VectorDestination& Of(j_compress_ptr info) {
        return *static_cast<VectorDestination*>(info->dest);
    }
    static void Init(j_compress_ptr info) {
        VectorDestination& d = Of(info);
        d.next_output_byte = d.chunk.data();
        d.free_in_buffer = d.chunk.size();
    }
    // Appends the first `used` bytes of the chunk; running out of memory is
    // turned into libjpeg's own failure, which jumps back to the caller.
    static void Append(j_compress_ptr info, std::size_t used) {
        VectorDestination& d = Of(info);
        bool appended = true;
        try {
            d.out->insert(d.out->end(), d.chunk.data(), d.chunk.data() + used);
        } catch (...) {
            appended = false;
        }
        if (!appended) ERREXIT1(info, JERR_OUT_OF_MEMORY, 0);
    }
    static boolean Empty(j_compress_ptr info) {
        Append(info, kChunk);
        Init(info);
        return TRUE;
    }
    static void Term(j_compress_ptr info) {
        VectorDestination& d = Of(info);
        Append(info, d.chunk.size() - d.free_in_buffer);
    }
};

struct Compressor {
    Compressor() {
        info.err = jpeg_std_error(&errors.manager);
        errors.manager.error_exit = OnError;
        errors.manager.output_message = OnMessage;
        errors.message[0] = '\0';
    }
    ~Compressor() {
        if (created) jpeg_destroy_compress(&info);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    [[noreturn]] void Fail() const {
        throw EJpegWriteError(std::string("JPEG error: ") + errors.message);
    }

    jpeg_compress_struct info{};
    ErrorManager errors{};
    bool created = false;
    VectorDestination destination;
};

// The brightness of each palette entry, for grey pictures of palette formats.
std::array<std::uint8_t, 256> BrightnessOfEntries(const Palette& palette) {
    std::array<std::uint8_t, 256> levels{};
    for (std::size_t i = 0; i < palette.size() && i < levels.size(); ++i) {
        const PaletteEntry& e = palette[i];
        levels[i] =
            static_cast<std::uint8_t>((299 * e.red + 587 * e.green + 114 * e.blue + 500) / 1000);
    }
    return levels;
}

void BrightnessOfRow(const std::uint8_t* bgr, std::int32_t width, std::uint8_t* grey) {
    for (std::int32_t x = 0; x < width; ++x, bgr += 3)
        grey[x] =
            static_cast<std::uint8_t>((114 * bgr[0] + 587 * bgr[1] + 299 * bgr[2] + 500) / 1000);
}

// Supplies the rows libjpeg reads: the picture's own rows where its layout
// is already what libjpeg takes (24-bit colour, 8-bit palette indexes made
// grey by a table), otherwise rows converted into a buffer of the batch.
class RowSource {
public:
    RowSource(const Bitmap& picture, bool grey)
        : picture_(picture), grey_(grey), direct_(!grey && picture.Format() == PixelFormat::Bits24),
          indexedGrey_(grey && picture.Format() == PixelFormat::Bits8) {
        const auto width = static_cast<std::size_t>(picture.Width());
        if (indexedGrey_) levels_ = BrightnessOfEntries(picture.Colours());
        if (!direct_) buffer_.resize(std::size_t{kRowBatch} * width * (grey ? 1 : 3));
        if (grey && !indexedGrey_) bgr_.resize(3 * width);
    }

    // Fills rows with up to kRowBatch rows starting at y; returns the count.
    int Fill(std::int32_t y, JSAMPROW* rows) {
        const int count = std::min<std::int32_t>(kRowBatch, picture_.Height() - y);
        const std::int32_t width = picture_.Width();
        for (int i = 0; i < count; ++i) {
            const std::int32_t row = y + i;
            if (direct_) {
                rows[i] = const_cast<std::uint8_t*>(picture_.ScanLine(row));
                continue;
            }
            std::uint8_t* target = buffer_.data() + std::size_t(i) * width * (grey_ ? 1 : 3);
            if (indexedGrey_) {
                const std::uint8_t* indexes = picture_.ScanLine(row);
                for (std::int32_t x = 0; x < width; ++x) target[x] = levels_[indexes[x]];
            } else if (grey_) {
                DecodeRow(picture_, row, bgr_.data());
                BrightnessOfRow(bgr_.data(), width, target);
            } else {
                DecodeRow(picture_, row, target);
            }
            rows[i] = target;
        }
        return count;
    }

private:
    const Bitmap& picture_;
    bool grey_;
    bool direct_;
    bool indexedGrey_;
    std::array<std::uint8_t, 256> levels_{};
    std::vector<std::uint8_t> buffer_;
    std::vector<std::uint8_t> bgr_;
};

void Configure(jpeg_compress_struct& info, const TJpegWriter& writer) {
    jpeg_set_defaults(&info);
    jpeg_set_linear_quality(&info, ValidJpegQuality(writer.quality), TRUE);
    for (int i = 0; i < info.num_components; ++i) {
        info.comp_info[i].h_samp_factor = 1;
        info.comp_info[i].v_samp_factor = 1;
    }
    info.optimize_coding = TRUE;
    info.dct_method = JDCT_FLOAT;
    info.smoothing_factor = 0;
    const bool knownDpi =
        writer.xDpi > 0 && writer.yDpi > 0 && writer.xDpi <= 65535 && writer.yDpi <= 65535;
    if (knownDpi) {
        info.density_unit = 1;
        info.X_density = static_cast<UINT16>(writer.xDpi);
        info.Y_density = static_cast<UINT16>(writer.yDpi);
    }
    if (writer.progressive) jpeg_simple_progression(&info);
}

} // namespace

Bytes TJpegWriter::Compress(const Bitmap& picture) const {
    if (picture.Empty()) throw EJpegWriteError("JPEG error: there is no picture to write");
    if (picture.Width() > JPEG_MAX_DIMENSION || picture.Height() > JPEG_MAX_DIMENSION)
        throw EJpegWriteError("JPEG error: the picture is larger than a JPEG file can hold");
    RowSource source(picture, grey);
    Bytes out;
    // About what a photograph compresses to at the default quality, within reason.
    const std::int64_t pixels = std::int64_t{picture.Width()} * picture.Height();
    out.reserve(static_cast<std::size_t>(std::min<std::int64_t>(pixels / 4, kLargestReserve)));
    Compressor c;
    jpeg_compress_struct& info = c.info;
    const bool started = Guarded(c.errors, [&] {
        jpeg_create_compress(&info);
        c.created = true;
        c.destination.Install(info, out);
        info.image_width = static_cast<JDIMENSION>(picture.Width());
        info.image_height = static_cast<JDIMENSION>(picture.Height());
        info.input_components = grey ? 1 : 3;
        info.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
        Configure(info, *this);
        jpeg_start_compress(&info, TRUE);
    });
    if (!started) c.Fail();

    std::array<JSAMPROW, kRowBatch> rows{};
    for (std::int32_t y = 0; y < picture.Height();) {
        const int count = source.Fill(y, rows.data());
        JDIMENSION taken = 0;
        if (!Guarded(c.errors, [&] {
                taken = jpeg_write_scanlines(&info, rows.data(), static_cast<JDIMENSION>(count));
            }))
            c.Fail();
        // The memory destination never suspends, so every row is taken.
        if (taken != static_cast<JDIMENSION>(count))
            throw EJpegWriteError("JPEG error: the compressor took too few rows");
        y += count;
    }
    if (!Guarded(c.errors, [&] { jpeg_finish_compress(&info); })) c.Fail();
    return out;
}

void TJpegWriter::SaveToFile(const std::filesystem::path& path, const Bitmap& picture) const {
    const Bytes bytes = Compress(picture);
    WriteFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace zv
