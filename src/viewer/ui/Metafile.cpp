#include "viewer/ui/Metafile.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRectF>
#include <QSvgRenderer>

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/gd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <vector>

namespace zv {

namespace {

using Bytes = std::vector<std::uint8_t>;

// A metafile is a list of drawing records; one larger than this is not a
// picture the viewer can show, and reading it would only exhaust memory.
constexpr std::uintmax_t kMaxMetafileBytes = std::uintmax_t{256} << 20;
// The largest picture a metafile is drawn into: the frame in a corrupt
// header must never decide how much memory is taken.
constexpr double kMaxSide = 8192;
constexpr double kMaxPixels = 64e6;
constexpr double kScreenDpi = 96;
constexpr double kHundredthMmPerInch = 2540;

std::uint16_t ReadU16(const Bytes& data, std::size_t at) {
    return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}
std::int16_t ReadS16(const Bytes& data, std::size_t at) {
    return static_cast<std::int16_t>(ReadU16(data, at));
}
std::uint32_t ReadU32(const Bytes& data, std::size_t at) {
    return static_cast<std::uint32_t>(ReadU16(data, at)) |
           static_cast<std::uint32_t>(ReadU16(data, at + 2)) << 16;
}
std::int32_t ReadS32(const Bytes& data, std::size_t at) {
    return static_cast<std::int32_t>(ReadU32(data, at));
}

std::optional<Bytes> ReadWholeFile(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kMaxMetafileBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    Bytes data(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(size)))
        return std::nullopt;
    return data;
}

struct PictureSize {
    int width = 1;
    int height = 1;
};

// The metafile's own size in whole pixels, at least 1 x 1, scaled down as one
// piece when it would pass the picture limits.
PictureSize FitPictureSize(double width, double height) {
    const auto side = [](double value) {
        return std::isfinite(value) ? std::clamp(std::round(std::fabs(value)), 1.0, 1e9) : 1.0;
    };
    double w = side(width);
    double h = side(height);
    const double scale =
        std::min({1.0, kMaxSide / w, kMaxSide / h, std::sqrt(kMaxPixels / (w * h))});
    if (scale < 1) {
        w = std::max(1.0, std::floor(w * scale));
        h = std::max(1.0, std::floor(h * scale));
    }
    return {static_cast<int>(w), static_cast<int>(h)};
}

struct Rgb {
    std::uint8_t red, green, blue;
};

Rgb RgbOfColour(std::uint32_t colour) {
    return {static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(colour >> 8),
            static_cast<std::uint8_t>(colour >> 16)};
}

Bitmap BitmapOfImage(const QImage& image) {
    Bitmap picture;
    picture.Create(image.width(), image.height(), PixelFormat::Bits24);
    for (int y = 0; y < image.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::uint8_t* to = picture.ScanLine(y);
        for (int x = 0; x < image.width(); ++x, to += 3) {
            to[0] = static_cast<std::uint8_t>(qBlue(from[x]));
            to[1] = static_cast<std::uint8_t>(qGreen(from[x]));
            to[2] = static_cast<std::uint8_t>(qRed(from[x]));
        }
    }
    return picture;
}

// The picture libwmf drew, which must be the size it was asked for.
std::optional<Bitmap> BitmapOfPng(QByteArray& png, PictureSize size) {
    QBuffer buffer(&png);
    QImageReader reader(&buffer, "png");
    reader.setAllocationLimit(1024); // MB: the picture limits already bound it
    const QImage image = reader.read();
    if (image.isNull() || image.width() != size.width || image.height() != size.height)
        return std::nullopt;
    return BitmapOfImage(image.convertToFormat(QImage::Format_RGB32));
}

// ---------------------------------------------------------------------------
// WMF: checked here, then played by libwmf's raster device.

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableHeaderBytes = 22;
constexpr std::size_t kMetaHeaderBytes = 18;

constexpr std::uint16_t META_EOF = 0x0000;
constexpr std::uint16_t META_SETMAPMODE = 0x0103;
constexpr std::uint16_t META_SETWINDOWORG = 0x020B;
constexpr std::uint16_t META_SETWINDOWEXT = 0x020C;
constexpr std::uint16_t META_SETVIEWPORTORG = 0x020D;
constexpr std::uint16_t META_SETVIEWPORTEXT = 0x020E;
constexpr std::uint16_t META_STRETCHDIB = 0x0F43;
constexpr std::int16_t MM_TEXT = 1;
constexpr std::int16_t MM_ANISOTROPIC = 8;
constexpr std::uint32_t SRCCOPY = 0x00CC0020;

struct WmfFile {
    bool placeable = false;
    std::int16_t left = 0, top = 0, right = 0, bottom = 0; // placeable bounding box
    std::uint16_t inch = 0;                                // logical units an inch
    std::uint16_t objects = 0;
    std::size_t recordsAt = 0; // the records after META_HEADER, up to META_EOF
    std::size_t recordsBytes = 0;
    std::uint32_t maxRecordWords = 3;
};

// Checks the headers and that every record lies whole inside the metafile.
// libwmf trusts the header's record count and largest-record size, so the
// stream it plays is rebuilt from what is really there.
std::optional<WmfFile> ParseWmf(const Bytes& data) {
    WmfFile file;
    std::size_t at = 0;
    if (data.size() >= 4 && ReadU32(data, 0) == kPlaceableKey) {
        if (data.size() < kPlaceableHeaderBytes) return std::nullopt;
        file.placeable = true;
        file.left = ReadS16(data, 6);
        file.top = ReadS16(data, 8);
        file.right = ReadS16(data, 10);
        file.bottom = ReadS16(data, 12);
        file.inch = ReadU16(data, 14);
        if (file.inch == 0) return std::nullopt;
        at = kPlaceableHeaderBytes;
    }
    if (data.size() - at < kMetaHeaderBytes) return std::nullopt;
    const std::uint16_t type = ReadU16(data, at);
    if ((type != 1 && type != 2) || ReadU16(data, at + 2) != kMetaHeaderBytes / 2)
        return std::nullopt;
    const std::uint64_t declaredBytes = std::uint64_t{ReadU32(data, at + 6)} * 2;
    if (declaredBytes < kMetaHeaderBytes || declaredBytes > data.size() - at) return std::nullopt;
    file.objects = ReadU16(data, at + 10);

    const std::size_t end = at + static_cast<std::size_t>(declaredBytes);
    file.recordsAt = at + kMetaHeaderBytes;
    std::size_t record = file.recordsAt;
    while (record < end) {
        if (end - record < 6) return std::nullopt;
        const std::uint32_t words = ReadU32(data, record);
        if (words < 3 || std::uint64_t{words} * 2 > end - record) return std::nullopt;
        if (ReadU16(data, record + 4) == META_EOF) break;
        file.maxRecordWords = std::max(file.maxRecordWords, words);
        record += std::size_t{words} * 2;
    }
    file.recordsBytes = record - file.recordsAt;
    return file;
}

// Writes WMF records in the file's little-endian layout.
class WmfWriter {
public:
    void Record(std::uint16_t function, std::initializer_list<std::int16_t> params) {
        Word32(static_cast<std::uint32_t>(3 + params.size()));
        Word(function);
        for (std::int16_t param : params) Word(static_cast<std::uint16_t>(param));
        maxRecordWords_ = std::max<std::uint32_t>(maxRecordWords_, 3 + params.size());
    }

    // Paints the rectangle with one colour: a 1 x 1 DIB stretched over it. It
    // needs no brush, so the metafile's own object table is not disturbed.
    void FillRect(std::int16_t x, std::int16_t y, std::int16_t width, std::int16_t height,
                  Rgb colour) {
        constexpr std::uint32_t words = 3 + 2 + 1 + 8 + 20 + 2;
        Word32(words);
        Word(META_STRETCHDIB);
        Word32(SRCCOPY);
        Word(0); // DIB_RGB_COLORS
        for (std::int16_t param : {std::int16_t{1}, std::int16_t{1}, std::int16_t{0},
                                   std::int16_t{0}, height, width, y, x})
            Word(static_cast<std::uint16_t>(param));
        Word32(40); // BITMAPINFOHEADER
        Word32(1);
        Word32(1);
        Word(1);
        Word(24);
        for (std::uint32_t field : {0u, 4u, 0u, 0u, 0u, 0u}) Word32(field);
        bytes_.insert(bytes_.end(), {colour.blue, colour.green, colour.red, 0});
        maxRecordWords_ = std::max(maxRecordWords_, words);
    }

    void Raw(const Bytes& data, std::size_t at, std::size_t count, std::uint32_t maxRecordWords) {
        bytes_.insert(bytes_.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                      data.begin() + static_cast<std::ptrdiff_t>(at + count));
        maxRecordWords_ = std::max(maxRecordWords_, maxRecordWords);
    }

    // The finished metafile: META_HEADER, the records written, META_EOF.
    Bytes Finish(std::uint16_t objects) {
        Record(META_EOF, {});
        WmfWriter header;
        header.Word(1); // memory metafile
        header.Word(kMetaHeaderBytes / 2);
        header.Word(0x0300);
        header.Word32(static_cast<std::uint32_t>((kMetaHeaderBytes + bytes_.size()) / 2));
        header.Word(objects);
        header.Word32(maxRecordWords_);
        header.Word(0);
        header.bytes_.insert(header.bytes_.end(), bytes_.begin(), bytes_.end());
        return std::move(header.bytes_);
    }

private:
    void Word(std::uint16_t value) {
        bytes_.push_back(static_cast<std::uint8_t>(value));
        bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void Word32(std::uint32_t value) {
        Word(static_cast<std::uint16_t>(value));
        Word(static_cast<std::uint16_t>(value >> 16));
    }

    Bytes bytes_;
    std::uint32_t maxRecordWords_ = 3;
};

// Window and viewport extents are 16-bit; halving both keeps their ratio.
void FitExtents(std::int32_t& window, std::int32_t& viewport) {
    while (window > 32767 || window < -32767) {
        window /= 2;
        viewport = std::max(1, viewport / 2);
    }
    if (window == 0) window = 1;
}

// A placeable metafile is played the way the system plays it into a
// rectangle: its bounding box (or the window its own records set) is mapped
// onto the whole picture, after the picture is painted with the background.
Bytes PlaceableStream(const Bytes& data, const WmfFile& file, PictureSize size, Rgb background) {
    const auto w = static_cast<std::int16_t>(size.width);
    const auto h = static_cast<std::int16_t>(size.height);
    WmfWriter out;
    out.Record(META_SETMAPMODE, {MM_ANISOTROPIC});
    out.Record(META_SETWINDOWORG, {0, 0});
    out.Record(META_SETWINDOWEXT, {h, w});
    out.Record(META_SETVIEWPORTORG, {0, 0});
    out.Record(META_SETVIEWPORTEXT, {h, w});
    out.FillRect(0, 0, w, h, background);

    std::int32_t windowWidth = std::int32_t{file.right} - file.left;
    std::int32_t windowHeight = std::int32_t{file.bottom} - file.top;
    std::int32_t viewportWidth = size.width;
    std::int32_t viewportHeight = size.height;
    FitExtents(windowWidth, viewportWidth);
    FitExtents(windowHeight, viewportHeight);
    out.Record(META_SETVIEWPORTEXT, {static_cast<std::int16_t>(viewportHeight),
                                     static_cast<std::int16_t>(viewportWidth)});
    out.Record(META_SETWINDOWORG, {file.top, file.left});
    out.Record(META_SETWINDOWEXT,
               {static_cast<std::int16_t>(windowHeight), static_cast<std::int16_t>(windowWidth)});
    out.Raw(data, file.recordsAt, file.recordsBytes, file.maxRecordWords);
    return out.Finish(file.objects);
}

// A metafile without a placeable header carries no size: it is shown at the
// extent of what it draws, one logical unit a pixel, as libwmf measures it.
Bytes PlainStream(const Bytes& data, const WmfFile& file, const wmfD_Rect* backgroundArea,
                  Rgb background) {
    WmfWriter out;
    if (backgroundArea) {
        // Before the metafile's own records the mapping is one unit a pixel.
        const double left = std::floor(backgroundArea->TL.x);
        const double top = std::floor(backgroundArea->TL.y);
        const double width = std::ceil(backgroundArea->BR.x) - left;
        const double height = std::ceil(backgroundArea->BR.y) - top;
        const auto fits = [](double v) { return v >= -32767 && v <= 32767; };
        if (fits(left) && fits(top) && fits(width) && fits(height)) {
            out.Record(META_SETMAPMODE, {MM_TEXT});
            out.FillRect(static_cast<std::int16_t>(left), static_cast<std::int16_t>(top),
                         static_cast<std::int16_t>(width), static_cast<std::int16_t>(height),
                         background);
        }
    }
    out.Raw(data, file.recordsAt, file.recordsBytes, file.maxRecordWords);
    return out.Finish(file.objects);
}

// One libwmf session on a metafile held in memory, drawing with the gd device
// into a true-colour picture.
class WmfPlayer {
public:
    explicit WmfPlayer(Bytes& stream) {
        wmfAPI_Options options{};
        options.function = wmf_gd_function;
        const unsigned long flags =
            WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
        if (wmf_api_create(&api_, flags, &options) != wmf_E_None) {
            if (api_) wmf_api_destroy(api_);
            api_ = nullptr;
            return;
        }
        if (wmf_mem_open(api_, stream.data(), static_cast<long>(stream.size())) != wmf_E_None)
            Close();
    }
    ~WmfPlayer() { Close(); }
    WmfPlayer(const WmfPlayer&) = delete;
    WmfPlayer& operator=(const WmfPlayer&) = delete;

    std::optional<wmfD_Rect> Scan() {
        wmfD_Rect box{};
        if (!api_ || wmf_scan(api_, 0, &box) != wmf_E_None) return std::nullopt;
        const bool usable = std::isfinite(box.TL.x) && std::isfinite(box.TL.y) &&
                            std::isfinite(box.BR.x) && std::isfinite(box.BR.y) &&
                            box.BR.x >= box.TL.x && box.BR.y >= box.TL.y;
        if (!usable) return std::nullopt;
        return box;
    }

    // Plays the area `box` of the device space into width x height pixels.
    // The device hands the picture over as PNG: the only form in which it
    // also frees the picture it drew.
    std::optional<Bitmap> Play(wmfD_Rect box, PictureSize size) {
        if (!api_) return std::nullopt;
        wmf_gd_t* device = WMF_GD_GetData(api_);
        QByteArray png;
        device->type = wmf_gd_png;
        device->flags |= WMF_GD_OUTPUT_MEMORY | WMF_GD_OWN_BUFFER;
        device->sink.context = &png;
        device->sink.function = [](void* context, char* buffer, int length) {
            static_cast<QByteArray*>(context)->append(buffer, length);
            return length;
        };
        device->width = static_cast<unsigned>(size.width);
        device->height = static_cast<unsigned>(size.height);
        device->bbox = box;
        if (wmf_play(api_, 0, &box) != wmf_E_None) return std::nullopt;
        return BitmapOfPng(png, size);
    }

private:
    void Close() {
        if (!api_) return;
        wmf_api_destroy(api_);
        api_ = nullptr;
    }

    wmfAPI* api_ = nullptr;
};

std::optional<Bitmap> RenderPlaceableWmf(const Bytes& data, const WmfFile& file, Rgb background) {
    const PictureSize size = FitPictureSize((file.right - file.left) * kScreenDpi / file.inch,
                                            (file.bottom - file.top) * kScreenDpi / file.inch);
    Bytes stream = PlaceableStream(data, file, size, background);
    WmfPlayer player(stream);
    if (!player.Scan()) return std::nullopt;
    const wmfD_Rect picture{{0, 0},
                            {static_cast<float>(size.width), static_cast<float>(size.height)}};
    return player.Play(picture, size);
}

std::optional<Bitmap> RenderPlainWmf(const Bytes& data, const WmfFile& file, Rgb background) {
    std::optional<wmfD_Rect> drawn;
    {
        Bytes stream = PlainStream(data, file, nullptr, background);
        WmfPlayer measure(stream);
        drawn = measure.Scan();
    }
    if (!drawn) return std::nullopt;
    Bytes stream = PlainStream(data, file, &*drawn, background);
    WmfPlayer player(stream);
    const std::optional<wmfD_Rect> box = player.Scan();
    if (!box) return std::nullopt;
    const PictureSize size = FitPictureSize(box->BR.x - box->TL.x, box->BR.y - box->TL.y);
    return player.Play(*box, size);
}

// Neither libwmf nor libemf2svg promises to be safe on two threads at once:
// one metafile is converted at a time.
std::mutex& LibraryLock() {
    static std::mutex lock;
    return lock;
}

std::optional<Bitmap> RenderWmf(const Bytes& data, Rgb background) {
    const std::optional<WmfFile> file = ParseWmf(data);
    if (!file) return std::nullopt;
    std::lock_guard lock(LibraryLock());
    return file->placeable ? RenderPlaceableWmf(data, *file, background)
                           : RenderPlainWmf(data, *file, background);
}

// ---------------------------------------------------------------------------
// EMF: checked here, turned into SVG by libemf2svg, drawn by Qt SVG.

constexpr std::uint32_t EMR_HEADER = 1;
constexpr std::uint32_t EMR_EOF = 14;
constexpr std::uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr std::size_t kEmfHeaderBytes = 88;

struct RectL {
    std::int32_t left, top, right, bottom;
    double Width() const { return static_cast<double>(right) - left; }
    double Height() const { return static_cast<double>(bottom) - top; }
    bool Empty() const { return right <= left || bottom <= top; }
};

struct EmfFile {
    RectL bounds; // what is drawn, in the reference device's pixels
    RectL frame;  // the picture's frame, in 0.01 mm
    // The reference device's size in pixels and in millimetres.
    double devicePixelsX = 0, devicePixelsY = 0;
    double deviceMillimetresX = 0, deviceMillimetresY = 0;
    std::size_t bytes = 0; // up to the end of EMR_EOF
};

RectL ReadRect(const Bytes& data, std::size_t at) {
    return {ReadS32(data, at), ReadS32(data, at + 4), ReadS32(data, at + 8),
            ReadS32(data, at + 12)};
}

bool LooksLikeEmf(const Bytes& data) {
    return data.size() >= kEmfHeaderBytes && ReadU32(data, 0) == EMR_HEADER &&
           ReadU32(data, 40) == kEmfSignature;
}

// Checks the header and that the records, each a whole number of 32-bit words,
// fill the metafile up to EMR_EOF without running past its end.
std::optional<EmfFile> ParseEmf(const Bytes& data) {
    if (!LooksLikeEmf(data)) return std::nullopt;
    const std::uint32_t headerBytes = ReadU32(data, 4);
    const std::uint32_t totalBytes = ReadU32(data, 48);
    if (headerBytes < kEmfHeaderBytes || totalBytes > data.size() || headerBytes > totalBytes)
        return std::nullopt;
    EmfFile file;
    file.bounds = ReadRect(data, 8);
    file.frame = ReadRect(data, 24);
    file.devicePixelsX = ReadS32(data, 72);
    file.devicePixelsY = ReadS32(data, 76);
    file.deviceMillimetresX = ReadS32(data, 80);
    file.deviceMillimetresY = ReadS32(data, 84);
    std::size_t record = 0;
    while (record < totalBytes) {
        if (totalBytes - record < 8) return std::nullopt;
        const std::uint32_t type = ReadU32(data, record);
        const std::uint32_t bytes = ReadU32(data, record + 4);
        if (bytes < 8 || bytes % 4 != 0 || bytes > totalBytes - record) return std::nullopt;
        if ((record == 0) != (type == EMR_HEADER)) return std::nullopt;
        record += bytes;
        if (type == EMR_EOF) {
            file.bytes = record;
            return file;
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> SvgOfEmf(const Bytes& data, const EmfFile& file, QSizeF drawnSize) {
    // libemf2svg reads records at the offsets they declare; it is given the
    // checked records only.
    Bytes contents(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(file.bytes));
    generatorOptions options{};
    char svgNamespace[] = "";
    options.nameSpace = svgNamespace;
    options.svgDelimiter = true;
    options.imgWidth = drawnSize.width();
    options.imgHeight = drawnSize.height();
    char* svg = nullptr;
    std::size_t length = 0;
    const int ok =
        emf2svg(reinterpret_cast<char*>(contents.data()), contents.size(), &svg, &length, &options);
    std::optional<QByteArray> result;
    if (ok && svg) result = QByteArray(svg, static_cast<qsizetype>(length));
    std::free(svg);
    return result;
}

// Where the drawn bounds sit in the picture: the frame, in 0.01 mm, fills the
// picture; the bounds are in the reference device's pixels.
QRectF BoundsInPicture(const EmfFile& file, PictureSize size) {
    const QRectF whole(0, 0, size.width, size.height);
    const double pixelsPerHmmX = file.devicePixelsX / (file.deviceMillimetresX * 100);
    const double pixelsPerHmmY = file.devicePixelsY / (file.deviceMillimetresY * 100);
    if (file.frame.Empty() || !(pixelsPerHmmX > 0) || !(pixelsPerHmmY > 0) ||
        !std::isfinite(pixelsPerHmmX) || !std::isfinite(pixelsPerHmmY))
        return whole;
    const double scaleX = size.width / (file.frame.Width() * pixelsPerHmmX);
    const double scaleY = size.height / (file.frame.Height() * pixelsPerHmmY);
    const QRectF bounds((file.bounds.left - file.frame.left * pixelsPerHmmX) * scaleX,
                        (file.bounds.top - file.frame.top * pixelsPerHmmY) * scaleY,
                        file.bounds.Width() * scaleX, file.bounds.Height() * scaleY);
    const bool sane = std::isfinite(bounds.x()) && std::isfinite(bounds.y()) &&
                      std::isfinite(bounds.width()) && std::isfinite(bounds.height());
    return sane ? bounds : whole;
}

PictureSize EmfPictureSize(const EmfFile& file) {
    if (!file.frame.Empty())
        return FitPictureSize(file.frame.Width() * kScreenDpi / kHundredthMmPerInch,
                              file.frame.Height() * kScreenDpi / kHundredthMmPerInch);
    return FitPictureSize(file.bounds.Width() + 1, file.bounds.Height() + 1);
}

std::optional<Bitmap> RenderEmf(const Bytes& data, Rgb background) {
    const std::optional<EmfFile> file = ParseEmf(data);
    if (!file) return std::nullopt;
    const PictureSize size = EmfPictureSize(*file);
    QImage image(size.width, size.height, QImage::Format_RGB32);
    if (image.isNull()) return std::nullopt;
    image.fill(QColor(background.red, background.green, background.blue));
    // Empty bounds: nothing is drawn, and libemf2svg would divide by them.
    if (!file->bounds.Empty()) {
        const QRectF target = BoundsInPicture(*file, size);
        std::optional<QByteArray> svg;
        {
            std::lock_guard lock(LibraryLock());
            svg = SvgOfEmf(data, *file, target.size());
        }
        if (!svg) return std::nullopt;
        QSvgRenderer renderer(*svg);
        if (!renderer.isValid()) return std::nullopt;
        QPainter painter(&image);
        renderer.render(&painter, target);
    }
    return BitmapOfImage(image);
}

} // namespace

bool RenderMetafile(const std::string& path, std::uint32_t backColour, Bitmap& picture) {
    const std::optional<Bytes> data = ReadWholeFile(path);
    if (!data) return false;
    const Rgb background = RgbOfColour(backColour);
    std::optional<Bitmap> rendered;
    try {
        rendered =
            LooksLikeEmf(*data) ? RenderEmf(*data, background) : RenderWmf(*data, background);
    } catch (const std::exception&) {
        return false; // no memory for the picture
    }
    if (!rendered) return false;
    std::lock_guard lock(picture.Surface());
    picture = std::move(*rendered);
    return true;
}

} // namespace zv
