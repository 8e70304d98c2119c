// libjpeg is C: an exception thrown through its frames would not unwind them.
// So when it fails, our error_exit (and our progress hook, when the caller's
// progress function throws) longjmps back to the guarded step that called
// into libjpeg. Every step is a short lambda run inside Guarded, a function
// of its own with no locals; no object with a destructor lives between its
// setjmp and the libjpeg call, so the jump skips only libjpeg's frames and
// our hooks'. Guarded then returns false and its caller, back in ordinary
// C++, throws.

#include "formats/JpegReader.h"

#include "formats/LayerPalettes.h"

#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <exception>
#include <vector>

namespace zv {

namespace {

// No decode makes more than this many bytes of pixels, and libjpeg's own
// buffers (a progressive file keeps every coefficient) stay within it too.
constexpr std::int64_t kMaxOutputBytes = std::int64_t{1} << 30;
// Huffman-coded data spends at least one bit per 8 x 8 block in the pass
// that carries the average colours, even at the coarsest sampling (one block
// per 32 x 32 pixels): no real file holds more than 8192 pixels a byte.
// Arithmetic coding has no such floor, so those pictures are held only by
// the output limit.
constexpr std::int64_t kMaxPixelsPerByte = 8192;
// Progressive files have about ten scans; each scan walks the whole picture,
// so a short file with thousands of them would decode for minutes.
constexpr int kMaxScans = 500;
// As many rows as libjpeg hands back from one call at the tallest sampling (4 x 8).
constexpr JDIMENSION kRowsPerCall = 32;

struct ErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    bool armed = false; // a guarded step is running
    char message[JMSG_LENGTH_MAX + 32] = {};
};

struct ProgressHook {
    jpeg_progress_mgr manager;
    const JpegProgress* report = nullptr;
    int reported = -5; // the last step reported
    std::exception_ptr stopped;
};

// One pass over the held bytes; libjpeg's client_data points here.
struct Session {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    ProgressHook progress{};
    bool created = false;

    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        if (created) jpeg_destroy_decompress(&info);
    }
};

Session& SessionOf(j_common_ptr info) {
    return *static_cast<Session*>(info->client_data);
}

[[noreturn]] void Leave(j_common_ptr info) {
    ErrorManager& errors = SessionOf(info).errors;
    // libjpeg called outside a guarded step: there is nowhere safe to go.
    if (!errors.armed) std::abort();
    errors.armed = false;
    std::longjmp(errors.jump, 1);
}

[[noreturn]] void LeaveWith(j_common_ptr info, const char* text) {
    ErrorManager& errors = SessionOf(info).errors;
    std::snprintf(errors.message, sizeof errors.message, "JPEG error: %s", text);
    Leave(info);
}

[[noreturn]] void OnError(j_common_ptr info) {
    char text[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, text);
    LeaveWith(info, text);
}

// Warnings are counted, never printed. libjpeg pads a file that ends early
// with an end marker and decodes the rest as grey; here that is a failure,
// so a cut-off download is not shown as if it were the picture.
void OnMessage(j_common_ptr info, int level) {
    if (level >= 0) return;
    ++info->err->num_warnings;
    if (info->err->msg_code == JWRN_JPEG_EOF) OnError(info);
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
// count of an optimal palette, and the output rows.
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

template <typename Step> [[gnu::noinline]] bool Guarded(ErrorManager& errors, Step&& step) {
    if (setjmp(errors.jump) != 0) return false;
    errors.armed = true;
    step();
    errors.armed = false;
    return true;
}

[[noreturn]] void Throw(const Session& s) {
    if (s.progress.stopped) std::rethrow_exception(s.progress.stopped);
    throw EJpegError(s.errors.message);
}

void Open(Session& s, const Bytes& data) {
    s.info.err = jpeg_std_error(&s.errors.manager);
    s.errors.manager.error_exit = OnError;
    s.errors.manager.emit_message = OnMessage;
    s.progress.manager.progress_monitor = OnProgress;
    s.info.client_data = &s; // kept by jpeg_create_decompress
    s.created = true;        // destroying a half-made or zeroed decompressor is safe
    const bool opened = Guarded(s.errors, [&] {
        jpeg_create_decompress(&s.info);
        s.info.progress = &s.progress.manager;
        jpeg_mem_src(&s.info, data.data(), static_cast<unsigned long>(data.size()));
        jpeg_read_header(&s.info, TRUE);
    });
    if (!opened) Throw(s);
}

bool IsCmyk(J_COLOR_SPACE space) {
    return space == JCS_CMYK || space == JCS_YCCK;
}

// What libjpeg writes and what the target holds while it does.
struct Plan {
    PixelFormat format = PixelFormat::Bits24;
    J_COLOR_SPACE space = JCS_EXT_BGR;
    bool quantize = false; // libjpeg reduces colour to a palette
    bool cmyk = false;     // libjpeg writes CMYK rows, turned into colour here
    bool reduce = false;   // the finished picture is reduced to 8 bits
};

Plan PlanFor(J_COLOR_SPACE source, JpegOutput output) {
    const bool cmyk = IsCmyk(source);
    switch (output) {
    case JpegOutput::Bits8:
        if (source == JCS_GRAYSCALE) return {PixelFormat::Bits8, JCS_GRAYSCALE};
        // libjpeg's optimal palettes take only RGB, so CMYK is reduced afterwards.
        if (cmyk) return {PixelFormat::Bits24, JCS_CMYK, false, true, true};
        return {PixelFormat::Bits8, JCS_RGB, true};
    case JpegOutput::Device:
        return {PixelFormat::Device, cmyk ? JCS_CMYK : JCS_EXT_BGRX, false, cmyk};
    case JpegOutput::Bits24: break;
    }
    return {PixelFormat::Bits24, cmyk ? JCS_CMYK : JCS_EXT_BGR, false, cmyk};
}

struct Settings {
    int scale;
    JpegPerformance performance;
    JpegPalette palette;
    int colours;
};

void Configure(Session& s, const Plan& plan, const Settings& settings) {
    jpeg_decompress_struct& info = s.info;
    info.scale_num = 1;
    info.scale_denom = static_cast<unsigned>(settings.scale);
    info.out_color_space = plan.space;
    const bool speed = settings.performance == JpegPerformance::Speed;
    info.dct_method = speed ? JDCT_IFAST : JDCT_ISLOW;
    info.do_fancy_upsampling = speed ? FALSE : TRUE;
    if (plan.quantize) {
        const JpegPalette palette = settings.palette;
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = std::clamp(settings.colours, 8, 256);
        info.two_pass_quantize =
            palette == JpegPalette::ColourMatched || palette == JpegPalette::OptimalDithered;
        info.dither_mode = palette == JpegPalette::FixedOrdered    ? JDITHER_ORDERED
                           : palette == JpegPalette::ColourMatched ? JDITHER_NONE
                                                                   : JDITHER_FS;
    }
    if (!Guarded(s.errors, [&] { jpeg_calc_output_dimensions(&info); })) Throw(s);
}

void CheckOutputSize(const jpeg_decompress_struct& info, PixelFormat format) {
    const std::int64_t bytes =
        RowStride(info.output_width, BitsPerPixel(format)) * info.output_height;
    if (bytes > kMaxOutputBytes)
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

void ReadRows(Session& s, Bitmap& target, const Plan& plan) {
    jpeg_decompress_struct& info = s.info;
    const JDIMENSION width = info.output_width;
    const std::size_t cmykRow = std::size_t{4} * width;
    std::vector<std::uint8_t> cmyk(plan.cmyk ? cmykRow * kRowsPerCall : 0);
    const int bytesPerPixel = target.BitsPerPixel() / 8;
    JSAMPROW rows[kRowsPerCall];
    while (info.output_scanline < info.output_height) {
        const JDIMENSION first = info.output_scanline;
        const JDIMENSION count = std::min(kRowsPerCall, info.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = plan.cmyk ? cmyk.data() + cmykRow * i
                                : target.ScanLine(static_cast<std::int32_t>(first + i));
        JDIMENSION got = 0;
        if (!Guarded(s.errors, [&] { got = jpeg_read_scanlines(&info, rows, count); })) Throw(s);
        // The memory source never suspends, so no rows means libjpeg is stuck.
        if (got == 0) throw EJpegError("JPEG error: the decoder returned no rows");
        if (!plan.cmyk) continue;
        for (JDIMENSION i = 0; i < got; ++i)
            CmykToColour(rows[i], target.ScanLine(static_cast<std::int32_t>(first + i)), width,
                         bytesPerPixel, info.saw_Adobe_marker);
    }
}

} // namespace

void TJpegReader::ReadHeader(const std::filesystem::path& path) {
    Release();
    Bytes bytes;
    try {
        bytes = ReadWholeFile(path);
    } catch (const EInvalidGraphic& e) {
        throw EJpegError(std::string("JPEG error: ") + e.what());
    }
    ReadHeader(std::move(bytes));
    path_ = path;
}

void TJpegReader::ReadHeader(Bytes data) {
    Release();
    data_ = std::move(data);
    try {
        ParseHeader();
    } catch (...) {
        Release();
        throw;
    }
    held_ = true;
}

void TJpegReader::ParseHeader() {
    Session s;
    Open(s, data_);
    const jpeg_decompress_struct& info = s.info;
    warnings_ = static_cast<int>(info.err->num_warnings);
    const J_COLOR_SPACE space = info.jpeg_color_space;
    const bool known = (space == JCS_GRAYSCALE && info.num_components == 1) ||
                       ((space == JCS_YCbCr || space == JCS_RGB) && info.num_components == 3) ||
                       (IsCmyk(space) && info.num_components == 4);
    if (!known)
        throw EJpegError("JPEG error: unsupported colour space (" +
                         std::to_string(info.num_components) + " components)");
    const std::int64_t pixels = std::int64_t{info.image_width} * info.image_height;
    if (!info.arith_code && pixels / kMaxPixelsPerByte > static_cast<std::int64_t>(data_.size()))
        throw EJpegError("JPEG error: the picture is larger than its data could hold");
    width_ = static_cast<std::int32_t>(info.image_width);
    height_ = static_cast<std::int32_t>(info.image_height);
    components_ = info.num_components;
    progressive_ = info.progressive_mode;
}

bool TJpegReader::Holds(const std::filesystem::path& path) const {
    return held_ && !path_.empty() && path_ == path;
}

void TJpegReader::Release() {
    Bytes().swap(data_);
    path_.clear();
    held_ = false;
    width_ = height_ = 0;
    components_ = 0;
    progressive_ = false;
    warnings_ = 0;
}

void TJpegReader::SetScale(int scale) {
    if (scale != 1 && scale != 2 && scale != 4 && scale != 8)
        throw std::invalid_argument("JPEG scale must be 1, 2, 4 or 8");
    scale_ = scale;
}

JpegSize TJpegReader::ScaledSize() const {
    if (!held_) return {};
    Session s;
    Open(s, data_);
    Configure(s, PlanFor(s.info.jpeg_color_space, output),
              {scale_, performance, palette, paletteColours});
    return {static_cast<std::int32_t>(s.info.output_width),
            static_cast<std::int32_t>(s.info.output_height)};
}

void TJpegReader::Decode(Bitmap& target, const JpegProgress& progress) {
    target.Clear();
    if (!held_) throw EJpegError("JPEG error: no JPEG file has been read");
    Session s;
    s.progress.report = &progress;
    try {
        Open(s, data_);
        const Plan plan = PlanFor(s.info.jpeg_color_space, output);
        Configure(s, plan, {scale_, performance, palette, paletteColours});
        CheckOutputSize(s.info, plan.format);
        s.info.mem->max_memory_to_use = kMaxOutputBytes;
        Advance(s.progress, 0);
        if (!Guarded(s.errors, [&] { jpeg_start_decompress(&s.info); })) Throw(s);
        target.Create(static_cast<std::int32_t>(s.info.output_width),
                      static_cast<std::int32_t>(s.info.output_height), plan.format);
        if (plan.quantize) target.SetPalette(PaletteOf(s.info));
        if (plan.space == JCS_GRAYSCALE) target.SetPalette(Grey256Palette());
        ReadRows(s, target, plan);
        if (!Guarded(s.errors, [&] { jpeg_finish_decompress(&s.info); })) Throw(s);
        if (plan.reduce) target.SetPixelFormat(PixelFormat::Bits8);
        warnings_ = static_cast<int>(s.errors.manager.num_warnings);
        Advance(s.progress, 100);
    } catch (...) {
        warnings_ = static_cast<int>(s.errors.manager.num_warnings);
        target.Clear();
        throw;
    }
}

int ChooseJpegScale(std::int64_t pictureWidth, std::int64_t pictureHeight, std::int64_t viewWidth,
                    std::int64_t viewHeight, bool halfJpeg) {
    if (halfJpeg) return 2;
    // Views are far smaller than this; the clamp keeps the products in range.
    constexpr std::int64_t kLargestView = std::int64_t{1} << 40;
    const std::int64_t limitWidth = 2 * std::clamp<std::int64_t>(viewWidth, 0, kLargestView);
    const std::int64_t limitHeight = 2 * std::clamp<std::int64_t>(viewHeight, 0, kLargestView);
    // Compared exactly, so the decoded size (rounded up) never exceeds the limit.
    int scale = 1;
    while (scale < 8 && (pictureWidth > limitWidth * scale || pictureHeight > limitHeight * scale))
        scale *= 2;
    return scale;
}

std::string LoadedText(std::int64_t elapsedMs) {
    std::int64_t shown = std::max<std::int64_t>(elapsedMs, 0);
    if (shown > 200) shown -= 100;
    char text[48];
    std::snprintf(text, sizeof text, "Loaded %lld.%llds", static_cast<long long>(shown / 1000),
                  static_cast<long long>(shown % 1000 / 100));
    return text;
}

} // namespace zv
