// libjpeg reports a fatal error by calling error_exit, which must not
// return. Ours records the text and jumps back to the guarded step that made
// the call; the step then fails and the caller throws. No object with a
// destructor lives inside a guarded step, so the jump skips nothing but
// libjpeg's own frames.

#include "library/LibraryJpeg.h"

#include "formats/LayerPalettes.h"
#include "imaging/PixelConvert.h"
#include "library/LibraryError.h"
#include "library/PixelTraits.h"

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace zv {

namespace {

// Every 8 x 8 block costs at least one bit of coded data.
constexpr std::int64_t kMaxPixelsPerByte = 1024;

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings (a file cut short, a damaged entropy segment) are not shown: the
// decoder goes on with what it has, as viewers do.
void OnJpegMessage(j_common_ptr) {}

void InstallErrors(JpegErrors& errors, jpeg_error_mgr*& slot) {
    slot = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnJpegError;
    errors.manager.output_message = OnJpegMessage;
    errors.message[0] = '\0';
}

// Runs step; false when libjpeg gave up inside it.
template <typename Step> bool Guarded(JpegErrors& errors, Step&& step) {
    if (setjmp(errors.jump)) return false;
    step();
    return true;
}

struct Decompressor {
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    volatile bool created = false;
    ~Decompressor() {
        if (created) jpeg_destroy_decompress(&info);
    }
};

struct Compressor {
    jpeg_compress_struct info{};
    JpegErrors errors{};
    volatile bool created = false;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    ~Compressor() {
        if (created) jpeg_destroy_compress(&info);
        std::free(out);
    }
};

[[noreturn]] void Corrupt(const JpegErrors& errors) {
    throw ELibraryError(kImgCorrupt, std::string("Corrupt image data: ") + errors.message + ".");
}

int DpiOf(int density, int unit) {
    if (unit == 1) return density;
    if (unit == 2) return (density * 254 + 50) / 100;
    return 0;
}

// Adobe writes CMYK inverted (255 = no ink); others write the ink itself.
void CmykToBgr(const std::uint8_t* cmyk, std::uint8_t* bgr, std::uint32_t width, bool inverted) {
    for (std::uint32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const int c = inverted ? cmyk[0] : 255 - cmyk[0];
        const int m = inverted ? cmyk[1] : 255 - cmyk[1];
        const int y = inverted ? cmyk[2] : 255 - cmyk[2];
        const int k = inverted ? cmyk[3] : 255 - cmyk[3];
        bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

void CheckDecodable(const jpeg_decompress_struct& info, std::size_t dataSize, bool grey) {
    CheckPictureSize(info.image_width, info.image_height, grey ? 8 : 24);
    const std::int64_t pixels = std::int64_t{info.image_width} * info.image_height;
    if (pixels / kMaxPixelsPerByte > static_cast<std::int64_t>(dataSize))
        throw ELibraryError(kImgCorrupt,
                            "Corrupt image data: the JPEG picture is larger than its data.");
}

} // namespace

bool IsJpeg(ByteSpan data) {
    return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

LibraryPage DecodeJpeg(ByteSpan data) {
    Decompressor d;
    InstallErrors(d.errors, d.info.err);
    const bool headerRead = Guarded(d.errors, [&] {
        jpeg_create_decompress(&d.info);
        d.created = true;
        jpeg_mem_src(&d.info, data.data(), static_cast<unsigned long>(data.size()));
        jpeg_read_header(&d.info, TRUE);
    });
    if (!headerRead) Corrupt(d.errors);

    const bool grey = d.info.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
    d.info.out_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
    CheckDecodable(d.info, data.size(), grey);
    d.info.mem->max_memory_to_use = kMaxLibraryPictureBytes;
    if (!Guarded(d.errors, [&] { jpeg_start_decompress(&d.info); })) Corrupt(d.errors);

    const std::uint32_t width = d.info.output_width;
    LibraryPage page;
    page.picture.Create(static_cast<std::int32_t>(width),
                        static_cast<std::int32_t>(d.info.output_height),
                        grey ? PixelFormat::Bits8 : PixelFormat::Bits24);
    if (grey) page.picture.SetPalette(Grey256Palette());
    std::vector<std::uint8_t> cmykRow(cmyk ? std::size_t{4} * width : 0);
    const bool inverted = d.info.saw_Adobe_marker;
    Bitmap& picture = page.picture;
    const bool decoded = Guarded(d.errors, [&] {
        while (d.info.output_scanline < d.info.output_height) {
            const auto y = static_cast<std::int32_t>(d.info.output_scanline);
            JSAMPROW row = cmyk ? cmykRow.data() : picture.ScanLine(y);
            if (jpeg_read_scanlines(&d.info, &row, 1) != 1) break;
            if (cmyk) CmykToBgr(cmykRow.data(), picture.ScanLine(y), width, inverted);
        }
        jpeg_finish_decompress(&d.info);
    });
    if (!decoded) Corrupt(d.errors);
    page.xDpi = DpiOf(d.info.X_density, d.info.density_unit);
    page.yDpi = DpiOf(d.info.Y_density, d.info.density_unit);
    return page;
}

Bytes EncodeJpeg(const Bitmap& picture, int quality, int xDpi, int yDpi) {
    if (picture.Empty()) throw ELibraryError(kImgBadArgument, "There is no picture to write.");
    const bool grey = HasGreyPalette(picture);
    const bool direct = picture.Format() == PixelFormat::Bits24;
    const auto width = static_cast<std::uint32_t>(picture.Width());
    std::vector<std::uint8_t> bgr(direct ? 0 : std::size_t{3} * width);
    std::vector<std::uint8_t> greyRow(grey ? width : 0);

    Compressor c;
    InstallErrors(c.errors, c.info.err);
    const bool written = Guarded(c.errors, [&] {
        jpeg_create_compress(&c.info);
        c.created = true;
        jpeg_mem_dest(&c.info, &c.out, &c.outSize);
        c.info.image_width = width;
        c.info.image_height = static_cast<JDIMENSION>(picture.Height());
        c.info.input_components = grey ? 1 : 3;
        c.info.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
        jpeg_set_defaults(&c.info);
        jpeg_set_quality(&c.info, std::clamp(quality, 1, 100), TRUE);
        if (xDpi > 0 && yDpi > 0 && xDpi <= 65535 && yDpi <= 65535) {
            c.info.density_unit = 1;
            c.info.X_density = static_cast<UINT16>(xDpi);
            c.info.Y_density = static_cast<UINT16>(yDpi);
        }
        jpeg_start_compress(&c.info, TRUE);
        for (std::int32_t y = 0; y < picture.Height(); ++y) {
            JSAMPROW row = const_cast<std::uint8_t*>(picture.ScanLine(y));
            if (!direct) {
                DecodeRow(picture, y, bgr.data());
                row = bgr.data();
            }
            if (grey) {
                for (std::uint32_t x = 0; x < width; ++x) greyRow[x] = bgr[3 * x];
                row = greyRow.data();
            }
            jpeg_write_scanlines(&c.info, &row, 1);
        }
        jpeg_finish_compress(&c.info);
    });
    if (!written)
        throw ELibraryError(kImgCannotWrite, std::string("The JPEG picture cannot be made: ") +
                                                 c.errors.message + ".");
    return Bytes(c.out, c.out + c.outSize);
}

} // namespace zv
