// libjpeg is C: an exception thrown through its frames would not unwind
// them. So when it fails, our error_exit (and our progress hook, when the
// caller's progress function throws) longjmps back to the guarded step that
// called into libjpeg. Every step is a short lambda run inside Guarded, a
// function of its own with no locals; no object with a destructor lives
// between its setjmp and the libjpeg call, so the jump skips only libjpeg's
// frames and our hooks'. Guarded then returns false and its caller, back in
// ordinary C++, throws. The jump buffer lives in the state of the one call,
// never in anything shared.

#include "formats/JpegCodec.h"

#include "formats/LayerPalettes.h"
#include "imaging/PixelConvert.h"

#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace zv {

namespace {

// See OnProgress.
constexpr int kMaxScans = 500;
// As many rows as libjpeg hands back from one call at the tallest sampling (4 x 8).
constexpr JDIMENSION kRowsPerCall = 32;
// Rows handed to libjpeg at a time when encoding: two MCU rows at 1 x 1 sampling.
constexpr int kRowBatch = 16;
constexpr std::int64_t kLargestReserve = std::int64_t{64} << 20;
constexpr std::size_t kMaxSegmentData = 65533;

struct ErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    bool armed = false; // a guarded step is running
    bool failWhenCut = true;
    char message[JMSG_LENGTH_MAX + 32] = {};
};

ErrorManager& ErrorsOf(j_common_ptr info) {
    // The manager is the first member, so libjpeg's pointer is ours.
    return *reinterpret_cast<ErrorManager*>(info->err);
}

[[noreturn]] void Leave(j_common_ptr info) {
    ErrorManager& errors = ErrorsOf(info);
    // libjpeg called outside a guarded step: there is nowhere safe to go.
    if (!errors.armed) std::abort();
    errors.armed = false;
    std::longjmp(errors.jump, 1);
}

[[noreturn]] void LeaveWith(j_common_ptr info, const char* text) {
    ErrorManager& errors = ErrorsOf(info);
    std::snprintf(errors.message, sizeof errors.message, "JPEG error: %s", text);
    Leave(info);
}

[[noreturn]] void OnError(j_common_ptr info) {
    char text[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, text);
    LeaveWith(info, text);
}

// Warnings are counted, never printed; a file cut short may be a failure.
void OnMessage(j_common_ptr info, int level) {
    if (level >= 0) return;
    ++info->err->num_warnings;
    if (info->err->msg_code == JWRN_JPEG_EOF && ErrorsOf(info).failWhenCut) OnError(info);
}

void InstallErrors(ErrorManager& errors, jpeg_error_mgr*& slot) {
    slot = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnError;
    errors.manager.emit_message = OnMessage;
}

template <typename Step> [[gnu::noinline]] bool Guarded(ErrorManager& errors, Step&& step) {
    if (setjmp(errors.jump) != 0) return false;
    errors.armed = true;
    step();
    errors.armed = false;
    return true;
}

bool IsCmyk(J_COLOR_SPACE space) {
    return space == JCS_CMYK || space == JCS_YCCK;
}

int DpiOf(int density, int unit) {
    if (unit == 1) return density;
    if (unit == 2) return (density * 254 + 50) / 100;
    return 0;
}

} // namespace

std::string_view JpegErrorReason(const std::exception& error) {
    constexpr std::string_view kLead = "JPEG error: ";
    std::string_view text = error.what();
    if (text.starts_with(kLead)) text.remove_prefix(kLead.size());
    return text;
}

// --- Decoding ----------------------------------------------------------------

struct ProgressHook {
    jpeg_progress_mgr manager;
    const JpegProgress* report = nullptr;
    int reported = -5; // the last step reported
    std::exception_ptr stopped;
};

// One pass over the data; libjpeg's client_data points here.
struct JpegDecoder::Session {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    ProgressHook progress{};
    bool created = false;
    bool decoded = false;

    ~Session() {
        if (created) jpeg_destroy_decompress(&info);
    }

    [[noreturn]] void Throw() const {
        if (progress.stopped) std::rethrow_exception(progress.stopped);
        throw EJpegError(errors.message);
    }
};

namespace {

using Session = JpegDecoder::Session;

Session& SessionOf(j_common_ptr info) {
    return *static_cast<Session*>(info->client_data);
}

// Reports every 5 % step up to percent, each once. May throw.
void Advance(ProgressHook& hook, int percent) {
    while (hook.reported + 5 <= percent) {
        hook.reported += 5;
        if (hook.report && *hook.report) (*hook.report)(hook.reported);
    }
}

// The same from inside libjpeg, where nothing may be thrown: an exception
// from the caller's function is kept for Decode to rethrow.
bool AdvanceInside(ProgressHook& hook, int percent) noexcept {
    try {
        Advance(hook, percent);
    } catch (...) {
        hook.stopped = std::current_exception();
        return false;
    }
    return true;
}

// libjpeg counts passes: reading a progressive file's scans, the colour
// count of an optimal palette, and the output rows. Progressive files have
// about ten scans; each walks the whole picture, so a short file with
// thousands of them would decode for minutes.
void OnProgress(j_common_ptr info) {
    auto* decoder = reinterpret_cast<j_decompress_ptr>(info);
    if (decoder->input_scan_number > kMaxScans) LeaveWith(info, "too many scans in the file");
    const jpeg_progress_mgr& p = *info->progress;
    const double pass = p.pass_limit > 0 ? std::min(1.0, double(p.pass_counter) / p.pass_limit) : 0;
    const double done = (p.completed_passes + pass) / std::max(1, p.total_passes);
    // 100 is reported once the decode has finished.
    const int percent = std::min(95, static_cast<int>(done * 20) * 5);
    if (!AdvanceInside(SessionOf(info).progress, percent)) Leave(info);
}

// What libjpeg writes and what the target holds while it does.
struct Plan {
    PixelFormat format = PixelFormat::Bits24;
    J_COLOR_SPACE space = JCS_EXT_BGR;
    bool quantize = false; // libjpeg reduces colour to a palette
    bool cmyk = false;     // libjpeg writes CMYK rows, turned into colour here
    bool reduce = false;   // the finished picture is reduced to 8 bits
    bool greyRows = false; // CMYK rows turned into brightness here
};

Plan PlanFor(J_COLOR_SPACE source, const JpegDecodeOptions& options) {
    const bool cmyk = IsCmyk(source);
    if (options.grey || (options.output == JpegOutput::Bits8 && source == JCS_GRAYSCALE)) {
        // libjpeg makes grey of everything but CMYK.
        if (cmyk) return {PixelFormat::Bits8, JCS_CMYK, false, true, false, true};
        return {PixelFormat::Bits8, JCS_GRAYSCALE};
    }
    switch (options.output) {
    case JpegOutput::Bits8:
        // libjpeg's optimal palettes take only RGB, so CMYK is reduced afterwards.
        if (cmyk) return {PixelFormat::Bits24, JCS_CMYK, false, true, true};
        return {PixelFormat::Bits8, JCS_RGB, true};
    case JpegOutput::Device:
        return {PixelFormat::Device, cmyk ? JCS_CMYK : JCS_EXT_BGRX, false, cmyk};
    case JpegOutput::Bits24: break;
    }
    return {PixelFormat::Bits24, cmyk ? JCS_CMYK : JCS_EXT_BGR, false, cmyk};
}

void Configure(Session& s, const Plan& plan, const JpegDecodeOptions& options) {
    if (options.scale != 1 && options.scale != 2 && options.scale != 4 && options.scale != 8)
        throw std::invalid_argument("JPEG scale must be 1, 2, 4 or 8");
    jpeg_decompress_struct& info = s.info;
    info.scale_num = 1;
    info.scale_denom = static_cast<unsigned>(options.scale);
    info.out_color_space = plan.space;
    const bool speed = options.performance == JpegPerformance::Speed;
    info.dct_method = speed ? JDCT_IFAST : JDCT_ISLOW;
    // Both modes upsample the colour planes smoothly: doubling them by
    // repetition costs colour fringes of dozens of levels at every edge of a
    // 4:2:0 or 4:2:2 picture for a saving of about 2 % of the decode.
    info.do_fancy_upsampling = TRUE;
    if (plan.quantize) {
        const JpegPalette palette = options.palette;
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = std::clamp(options.paletteColours, 8, 256);
        info.two_pass_quantize =
            palette == JpegPalette::ColourMatched || palette == JpegPalette::OptimalDithered;
        info.dither_mode = palette == JpegPalette::FixedOrdered    ? JDITHER_ORDERED
                           : palette == JpegPalette::ColourMatched ? JDITHER_NONE
                                                                   : JDITHER_FS;
    }
    s.errors.failWhenCut = options.failWhenCut;
    if (!Guarded(s.errors, [&] { jpeg_calc_output_dimensions(&info); })) s.Throw();
}

void CheckOutputSize(const jpeg_decompress_struct& info, PixelFormat format,
                     std::int64_t maxBytes) {
    const std::int64_t bytes =
        RowStride(info.output_width, BitsPerPixel(format)) * info.output_height;
    if (bytes > maxBytes)
        throw EJpegError("JPEG error: the picture is too large to decode (" +
                         std::to_string(info.output_width) + " x " +
                         std::to_string(info.output_height) + ")");
}

Palette PaletteOf(const jpeg_decompress_struct& info) {
    Palette palette(static_cast<std::size_t>(info.actual_number_of_colors));
    for (std::size_t i = 0; i < palette.size(); ++i) {
        palette[i].red = info.colormap[0][i];
        palette[i].green = info.colormap[1][i];
        palette[i].blue = info.colormap[2][i];
    }
    return palette;
}

// Adobe's files store CMYK inverted (255 = no ink), others the ink itself.
void CmykToColour(const std::uint8_t* cmyk, std::uint8_t* out, JDIMENSION width, int bytesPerPixel,
                  bool inverted) {
    const int flip = inverted ? 0 : 255;
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, out += bytesPerPixel) {
        const int k = cmyk[3] ^ flip;
        out[0] = static_cast<std::uint8_t>(((cmyk[2] ^ flip) * k + 127) / 255);
        out[1] = static_cast<std::uint8_t>(((cmyk[1] ^ flip) * k + 127) / 255);
        out[2] = static_cast<std::uint8_t>(((cmyk[0] ^ flip) * k + 127) / 255);
        if (bytesPerPixel == 4) out[3] = 255;
    }
}

std::uint8_t Brightness(const std::uint8_t* bgr) {
    return static_cast<std::uint8_t>((114 * bgr[0] + 587 * bgr[1] + 299 * bgr[2] + 500) / 1000);
}

void ReadRows(Session& s, Bitmap& target, const Plan& plan) {
    jpeg_decompress_struct& info = s.info;
    const JDIMENSION width = info.output_width;
    const std::size_t cmykRow = std::size_t{4} * width;
    std::vector<std::uint8_t> cmyk(plan.cmyk ? cmykRow * kRowsPerCall : 0);
    std::vector<std::uint8_t> bgr(plan.greyRows ? std::size_t{3} * width : 0);
    const int bytesPerPixel = target.BitsPerPixel() / 8;
    JSAMPROW rows[kRowsPerCall];
    while (info.output_scanline < info.output_height) {
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = std::min(kRowsPerCall, info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = plan.cmyk ? cmyk.data() + cmykRow * i
                                : target.ScanLine(static_cast<std::int32_t>(first + i));
        JDIMENSION got = 0;
        if (!Guarded(s.errors, [&] { got = jpeg_read_scanlines(&info, rows, count); })) s.Throw();
        // The memory source never suspends, so no rows means libjpeg is stuck.
        if (got == 0) throw EJpegError("JPEG error: the decoder returned no rows");
        if (!plan.cmyk) continue;
        for (JDIMENSION i = 0; i < got; ++i) {
            std::uint8_t* row = target.ScanLine(static_cast<std::int32_t>(first + i));
            if (!plan.greyRows) {
                CmykToColour(rows[i], row, width, bytesPerPixel, info.saw_Adobe_marker);
                continue;
            }
            CmykToColour(rows[i], bgr.data(), width, 3, info.saw_Adobe_marker);
            for (JDIMENSION x = 0; x < width; ++x) row[x] = Brightness(&bgr[3 * x]);
        }
    }
}

bool KnownColourSpace(const jpeg_decompress_struct& info) {
    const J_COLOR_SPACE space = info.jpeg_color_space;
    return (space == JCS_GRAYSCALE && info.num_components == 1) ||
           ((space == JCS_YCbCr || space == JCS_RGB) && info.num_components == 3) ||
           (IsCmyk(space) && info.num_components == 4);
}

void CollectMarkers(const jpeg_decompress_struct& info, std::vector<JpegMarker>& markers) {
    for (jpeg_saved_marker_ptr m = info.marker_list; m; m = m->next) {
        JpegMarker marker;
        marker.code = static_cast<std::uint8_t>(m->marker);
        marker.data.assign(m->data, m->data + m->data_length);
        markers.push_back(std::move(marker));
    }
}

} // namespace

JpegDecoder::JpegDecoder(ByteSpan data, bool keepMarkers) : s_(std::make_unique<Session>()) {
    Session& s = *s_;
    InstallErrors(s.errors, s.info.err);
    s.progress.manager.progress_monitor = OnProgress;
    s.info.client_data = &s; // kept by jpeg_create_decompress
    s.created = true;        // destroying a half-made or zeroed decompressor is safe
    const bool opened = Guarded(s.errors, [&] {
        jpeg_create_decompress(&s.info);
        s.info.progress = &s.progress.manager;
        if (keepMarkers) {
            jpeg_save_markers(&s.info, JPEG_COM, 0xFFFF);
            for (int n = 0; n < 16; ++n) jpeg_save_markers(&s.info, JPEG_APP0 + n, 0xFFFF);
        }
        jpeg_mem_src(&s.info, data.data(), static_cast<unsigned long>(data.size()));
        jpeg_read_header(&s.info, TRUE);
    });
    if (!opened) s.Throw();
    const jpeg_decompress_struct& info = s.info;
    header_.width = static_cast<std::int32_t>(info.image_width);
    header_.height = static_cast<std::int32_t>(info.image_height);
    header_.components = info.num_components;
    header_.progressive = info.progressive_mode;
    header_.arithmetic = info.arith_code;
    header_.knownColourSpace = KnownColourSpace(info);
    header_.xDpi = DpiOf(info.X_density, info.density_unit);
    header_.yDpi = DpiOf(info.Y_density, info.density_unit);
    if (keepMarkers) CollectMarkers(info, header_.markers);
}

JpegDecoder::~JpegDecoder() = default;

int JpegDecoder::Warnings() const {
    return static_cast<int>(s_->errors.manager.num_warnings);
}

JpegSize JpegDecoder::OutputSize(const JpegDecodeOptions& options) {
    Configure(*s_, PlanFor(s_->info.jpeg_color_space, options), options);
    return {static_cast<std::int32_t>(s_->info.output_width),
            static_cast<std::int32_t>(s_->info.output_height)};
}

void JpegDecoder::Decode(const JpegDecodeOptions& options, Bitmap& target,
                         const JpegProgress& progress) {
    target.Clear();
    Session& s = *s_;
    if (s.decoded) throw std::logic_error("a JpegDecoder decodes once");
    s.decoded = true;
    s.progress.report = &progress;
    s.progress.reported = -5;
    try {
        const Plan plan = PlanFor(s.info.jpeg_color_space, options);
        Configure(s, plan, options);
        CheckOutputSize(s.info, plan.format, options.maxBytes);
        s.info.mem->max_memory_to_use = options.maxBytes;
        Advance(s.progress, 0);
        if (!Guarded(s.errors, [&] { jpeg_start_decompress(&s.info); })) s.Throw();
        target.Create(static_cast<std::int32_t>(s.info.output_width),
                      static_cast<std::int32_t>(s.info.output_height), plan.format);
        if (plan.quantize) target.SetPalette(PaletteOf(s.info));
        if (plan.format == PixelFormat::Bits8 && !plan.quantize)
            target.SetPalette(Grey256Palette());
        ReadRows(s, target, plan);
        if (!Guarded(s.errors, [&] { jpeg_finish_decompress(&s.info); })) s.Throw();
        if (plan.reduce) target.SetPixelFormat(PixelFormat::Bits8);
        Advance(s.progress, 100);
    } catch (...) {
        s.progress.report = nullptr;
        target.Clear();
        throw;
    }
    s.progress.report = nullptr;
}

namespace {

// Reads every output row of an unconverted decode into the samples.
void ReadComponentRows(Session& s, JpegComponents& target) {
    jpeg_decompress_struct& info = s.info;
    const std::size_t rowBytes = std::size_t{info.output_width} * info.output_components;
    JSAMPROW rows[kRowsPerCall];
    while (info.output_scanline < info.output_height) {
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = std::min(kRowsPerCall, info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = target.samples.data() + rowBytes * (first + i);
        JDIMENSION got = 0;
        if (!Guarded(s.errors, [&] { got = jpeg_read_scanlines(&info, rows, count); })) s.Throw();
        if (got == 0) throw EJpegError("JPEG error: the decoder returned no rows");
    }
}

} // namespace

void JpegDecoder::DecodeComponents(const JpegDecodeOptions& options, JpegComponents& target) {
    target = {};
    Session& s = *s_;
    if (s.decoded) throw std::logic_error("a JpegDecoder decodes once");
    s.decoded = true;
    try {
        // Asking for the file's own colour space makes libjpeg copy the
        // components through as they are.
        Plan plan;
        plan.space = s.info.jpeg_color_space;
        Configure(s, plan, options);
        const std::int64_t bytes =
            std::int64_t{s.info.output_width} * s.info.output_height * s.info.out_color_components;
        if (bytes > options.maxBytes)
            throw EJpegError("JPEG error: the picture is too large to decode (" +
                             std::to_string(s.info.output_width) + " x " +
                             std::to_string(s.info.output_height) + ")");
        s.info.mem->max_memory_to_use = options.maxBytes;
        if (!Guarded(s.errors, [&] { jpeg_start_decompress(&s.info); })) s.Throw();
        target.width = static_cast<std::int32_t>(s.info.output_width);
        target.height = static_cast<std::int32_t>(s.info.output_height);
        target.components = s.info.output_components;
        target.samples.resize(static_cast<std::size_t>(bytes));
        ReadComponentRows(s, target);
        if (!Guarded(s.errors, [&] { jpeg_finish_decompress(&s.info); })) s.Throw();
    } catch (...) {
        target = {};
        throw;
    }
}

// --- Encoding ----------------------------------------------------------------

namespace {

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
    Compressor() { InstallErrors(errors, info.err); }
    ~Compressor() {
        if (created) jpeg_destroy_compress(&info);
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    [[noreturn]] void Fail() const { throw EJpegWriteError(errors.message); }

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

    // Fills rows with up to kRowBatch rows starting at y, none at or past
    // end; returns the count.
    int Fill(std::int32_t y, std::int32_t end, JSAMPROW* rows) {
        const int count = std::min<std::int32_t>(kRowBatch, end - y);
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
                for (std::int32_t x = 0; x < width; ++x) target[x] = Brightness(&bgr_[3 * x]);
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

bool IsJfif(const JpegMarker& marker) {
    static constexpr std::uint8_t kJfif[] = {'J', 'F', 'I', 'F', 0};
    return marker.code == kJpegApp0 && marker.data.size() >= sizeof kJfif &&
           std::memcmp(marker.data.data(), kJfif, sizeof kJfif) == 0;
}

void CheckSegments(const JpegEncodeOptions& options) {
    for (const JpegMarker& marker : options.markers) {
        const bool known = marker.code == kJpegComment || (marker.code & 0xF0) == kJpegApp0;
        if (!known || marker.data.size() > kMaxSegmentData)
            throw EJpegWriteError("JPEG error: a segment to keep is not APPn or a comment, or "
                                  "is longer than 65533 bytes");
    }
    if (options.comment && options.comment->size() > kMaxSegmentData)
        throw EJpegWriteError("JPEG error: the comment is longer than 65533 bytes");
}

J_DCT_METHOD DctOf(JpegDct dct) {
    switch (dct) {
    case JpegDct::IntegerFast: return JDCT_IFAST;
    case JpegDct::Float: return JDCT_FLOAT;
    case JpegDct::IntegerSlow: break;
    }
    return JDCT_ISLOW;
}

void Configure(jpeg_compress_struct& info, const JpegEncodeOptions& options) {
    jpeg_set_defaults(&info);
    if (options.scale == JpegQualityScale::Linear)
        jpeg_set_linear_quality(&info, std::clamp(options.quality, 1, 255), TRUE);
    else
        jpeg_set_quality(&info, std::clamp(options.quality, 1, 100), TRUE);
    if (info.num_components == 3) {
        info.comp_info[0].h_samp_factor = options.subsampling == JpegSubsampling::None ? 1 : 2;
        info.comp_info[0].v_samp_factor = options.subsampling == JpegSubsampling::Both ? 2 : 1;
        for (int i = 1; i < 3; ++i) {
            info.comp_info[i].h_samp_factor = 1;
            info.comp_info[i].v_samp_factor = 1;
        }
    }
    info.optimize_coding = options.optimiseTables ? TRUE : FALSE;
    info.dct_method = DctOf(options.dct);
    info.smoothing_factor = std::clamp(options.smoothing, 0, 100);
    const bool knownDpi =
        options.xDpi > 0 && options.yDpi > 0 && options.xDpi <= 65535 && options.yDpi <= 65535;
    if (knownDpi) {
        info.density_unit = 1;
        info.X_density = static_cast<UINT16>(options.xDpi);
        info.Y_density = static_cast<UINT16>(options.yDpi);
    }
    if (options.progressive) jpeg_simple_progression(&info);
}

void WriteSegments(jpeg_compress_struct& info, const JpegEncodeOptions& options) {
    for (const JpegMarker& marker : options.markers)
        if (!IsJfif(marker))
            jpeg_write_marker(&info, marker.code, marker.data.data(),
                              static_cast<unsigned>(marker.data.size()));
    if (options.comment)
        jpeg_write_marker(&info, JPEG_COM, reinterpret_cast<const JOCTET*>(options.comment->data()),
                          static_cast<unsigned>(options.comment->size()));
}

} // namespace

std::vector<JpegMarker> JpegMetadataMarkers(ByteSpan data, bool grey) {
    constexpr std::uint8_t kApp0 = 0xE0, kApp2 = 0xE2, kApp14 = 0xEE;
    static constexpr char kIccProfile[] = "ICC_PROFILE";
    std::vector<JpegMarker> kept;
    JpegDecoder decoder(data, true);
    for (const JpegMarker& marker : decoder.Header().markers) {
        if (marker.code == kApp0 || marker.code == kApp14) continue;
        const bool profile =
            marker.code == kApp2 && marker.data.size() >= sizeof kIccProfile &&
            std::equal(kIccProfile, kIccProfile + sizeof kIccProfile, marker.data.begin());
        if (grey && profile) continue;
        kept.push_back(marker);
    }
    return kept;
}

Bytes JpegEncode(const Bitmap& picture, const JpegEncodeOptions& options) {
    return JpegEncodeRows(picture, 0, picture.Height(), options);
}

Bytes JpegEncodeRows(const Bitmap& picture, std::int32_t first, std::int32_t end,
                     const JpegEncodeOptions& options) {
    first = std::max(first, 0);
    end = std::min(end, picture.Height());
    if (picture.Empty() || end <= first)
        throw EJpegWriteError("JPEG error: there is no picture to write");
    const std::int32_t height = end - first;
    if (picture.Width() > JPEG_MAX_DIMENSION || height > JPEG_MAX_DIMENSION)
        throw EJpegWriteError("JPEG error: the picture is larger than a JPEG file can hold");
    CheckSegments(options);
    const bool grey = options.grey;
    RowSource source(picture, grey);
    Bytes out;
    // About what a photograph compresses to at the default quality, within reason.
    const std::int64_t pixels = std::int64_t{picture.Width()} * height;
    out.reserve(static_cast<std::size_t>(std::min<std::int64_t>(pixels / 4, kLargestReserve)));
    Compressor c;
    jpeg_compress_struct& info = c.info;
    const bool started = Guarded(c.errors, [&] {
        jpeg_create_compress(&info);
        c.created = true;
        c.destination.Install(info, out);
        info.image_width = static_cast<JDIMENSION>(picture.Width());
        info.image_height = static_cast<JDIMENSION>(height);
        info.input_components = grey ? 1 : 3;
        info.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
        Configure(info, options);
        jpeg_start_compress(&info, TRUE);
        WriteSegments(info, options);
    });
    if (!started) c.Fail();

    std::array<JSAMPROW, kRowBatch> rows{};
    for (std::int32_t y = first; y < end;) {
        const int count = source.Fill(y, end, rows.data());
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

} // namespace zv
