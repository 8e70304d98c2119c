#include "library/ImageLibrary.h"

#include "formats/Scaling.h"
#include "imaging/PackedDib.h"
#include "library/LibraryReaders.h"
#include "library/LibraryWriters.h"
#include "library/PictureEdits.h"
#include "library/PictureOps.h"

#include <algorithm>
#include <climits>
#include <new>

namespace zv {

namespace {

struct Failure {
    int status = kImgOk;
    std::string text;
};

// Runs op and turns whatever it throws into a status and text; other
// exceptions than the library's own get fallbackStatus.
template <typename Op> std::optional<Failure> Attempt(int fallbackStatus, Op&& op) {
    try {
        op();
        return std::nullopt;
    } catch (const ELibraryError& error) {
        return Failure{error.Status(), error.what()};
    } catch (const EPackedDibError& error) {
        return Failure{kImgCorrupt, std::string("Corrupt image data: ") + error.what()};
    } catch (const EBitmapError& error) {
        return Failure{kImgNoMemory, error.what()};
    } catch (const std::bad_alloc&) {
        return Failure{kImgNoMemory, "Not enough memory for the picture."};
    } catch (const std::exception& error) {
        return Failure{fallbackStatus, error.what()};
    }
}

LibraryImage OnePage(Bitmap picture, const LibraryImage* from = nullptr) {
    LibraryImage image;
    image.pages.push_back(std::move(picture));
    if (from) {
        image.xDpi = from->xDpi;
        image.yDpi = from->yDpi;
    }
    return image;
}

// The scaler and the picture operations take 1, 4, 8 and 24 bits; the rare
// 15-, 16- and 32-bit and display pictures are worked on as 24-bit copies.
const Bitmap& Workable(const Bitmap& picture, Bitmap& holder) {
    switch (picture.Format()) {
    case PixelFormat::Bits1:
    case PixelFormat::Bits4:
    case PixelFormat::Bits8:
    case PixelFormat::Bits24: return picture;
    default: break;
    }
    holder = picture;
    holder.SetPixelFormat(PixelFormat::Bits24);
    return holder;
}

bool KnownCopyMode(int mode) {
    return mode == kCopyPlain || mode == kCopyPreserveBlack || mode == kCopyPreserveWhite ||
           mode == kCopySmooth || mode == kCopyGreyAverage;
}

// The part of the picture a copy reads: the rectangle given, clipped to the
// picture, or all of it.
SourceRect CopyRect(const Bitmap& picture, const std::array<int, 4>* rect) {
    SourceRect whole{0, 0, picture.Width(), picture.Height()};
    if (!rect) return whole;
    return SourceRect{std::max((*rect)[0], 0), std::max((*rect)[1], 0),
                      std::min((*rect)[2], whole.right), std::min((*rect)[3], whole.bottom)};
}

void Put16(std::array<std::uint8_t, 40>& header, std::size_t at, std::uint32_t value) {
    header[at] = static_cast<std::uint8_t>(value);
    header[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
void Put32(std::array<std::uint8_t, 40>& header, std::size_t at, std::uint32_t value) {
    Put16(header, at, value & 0xFFFF);
    Put16(header, at + 2, value >> 16);
}

std::uint32_t PixelsPerMetre(int dpi) {
    return dpi > 0 ? static_cast<std::uint32_t>((std::int64_t{dpi} * 10000 + 127) / 254) : 0;
}

std::string SizeText(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

} // namespace

ImageLibrary::ImageLibrary() = default;
ImageLibrary::~ImageLibrary() = default;

void ImageLibrary::ImgInit() {
    status_ = kImgOk;
    lastError_.clear();
}

void ImageLibrary::ImgShutdown() {
    images_.clear();
}

ImgHandle ImageLibrary::Fail(int status, const std::string& text) {
    status_ = status;
    lastError_ = text;
    return 0;
}

LibraryImage* ImageLibrary::Image(ImgHandle handle) {
    const auto found = images_.find(handle);
    if (found != images_.end()) return found->second.get();
    Fail(kImgBadHandle, "Invalid image handle " + std::to_string(handle) + ".");
    return nullptr;
}

ImgHandle ImageLibrary::Adopt(LibraryImage image) {
    const auto pages = static_cast<int>(image.pages.size());
    if (image.currentPage < 0 || image.currentPage >= pages || image.Picture().Empty())
        return Fail(kImgBadArgument, "There is no picture to hold.");
    if (nextHandle_ == INT_MAX) return Fail(kImgNoMemory, "No image handles are left.");
    const ImgHandle handle = nextHandle_++;
    images_.emplace(handle, std::make_unique<LibraryImage>(std::move(image)));
    return handle;
}

ImgHandle ImageLibrary::ImgOpenSolo(const std::string& path, int) {
    LibraryImage image;
    if (auto failure = Attempt(kImgCorrupt, [&] { image = ReadPictureFile(path); }))
        return Fail(failure->status, failure->text);
    return Adopt(std::move(image));
}

ImgHandle ImageLibrary::ImgOpenMem(std::span<const std::uint8_t> buffer, const std::string& type) {
    LibraryImage image;
    if (auto failure = Attempt(kImgCorrupt, [&] { image = ReadPictureMemory(buffer, type); }))
        return Fail(failure->status, failure->text);
    return Adopt(std::move(image));
}

ImgHandle ImageLibrary::ImgFromDIB(std::vector<std::uint8_t> packedDib) {
    Bitmap picture;
    const std::vector<std::uint8_t> block = std::move(packedDib); // ours now; freed on return
    if (auto failure =
            Attempt(kImgCorrupt, [&] { picture = ParsePackedDib(block.data(), block.size()); }))
        return Fail(failure->status, failure->text);
    return Adopt(OnePage(std::move(picture)));
}

ImgHandle ImageLibrary::ImgCopy(ImgHandle handle, int width, int height,
                                const std::array<int, 4>* sourceRect, int mode) {
    LibraryImage* image = Image(handle);
    if (!image) return 0;
    if (!KnownCopyMode(mode))
        return Fail(kImgBadArgument, "Unknown copy mode " + std::to_string(mode) + ".");
    if (width <= 0 || height <= 0)
        return Fail(kImgBadArgument, "A copy cannot be " + SizeText(width, height) + " pixels.");
    const SourceRect rect = CopyRect(image->Picture(), sourceRect);
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return Fail(kImgBadArgument, "The copy rectangle lies outside the picture.");
    Bitmap copy;
    const auto failure = Attempt(kImgBadArgument, [&] {
        CheckPictureSize(width, height, 24);
        Bitmap holder;
        copy = ScalePicture(Workable(image->Picture(), holder), width, height, rect, mode);
    });
    if (failure) return Fail(failure->status, failure->text);
    return Adopt(OnePage(std::move(copy), image));
}

void ImageLibrary::ImgClose(ImgHandle handle) {
    images_.erase(handle);
}

bool ImageLibrary::ImgGetInfoStruct(ImgHandle handle, std::array<std::uint8_t, 40>& header) {
    const LibraryImage* image = Image(handle);
    if (!image) return false;
    const Bitmap& picture = image->Picture();
    const std::int64_t size = picture.Stride() * picture.Height();
    header.fill(0);
    Put32(header, 0, 40);
    Put32(header, 4, static_cast<std::uint32_t>(picture.Width()));
    Put32(header, 8, static_cast<std::uint32_t>(picture.Height()));
    Put16(header, 12, 1);
    Put16(header, 14, static_cast<std::uint32_t>(picture.BitsPerPixel()));
    Put32(header, 20, static_cast<std::uint32_t>(std::min<std::int64_t>(size, UINT32_MAX)));
    Put32(header, 24, PixelsPerMetre(image->xDpi));
    Put32(header, 28, PixelsPerMetre(image->yDpi));
    Put32(header, 32, static_cast<std::uint32_t>(picture.Colours().size()));
    return true;
}

int ImageLibrary::ImgPageCount(ImgHandle handle) {
    const LibraryImage* image = Image(handle);
    return image ? static_cast<int>(image->pages.size()) : 0;
}

bool ImageLibrary::ImgSetPage(ImgHandle handle, int page) {
    LibraryImage* image = Image(handle);
    if (!image) return false;
    const auto count = static_cast<int>(image->pages.size());
    if (page < 0 || page >= count) {
        Fail(kImgBadArgument, "There is no page " + std::to_string(page + 1) +
                                  "; the picture has " + std::to_string(count) + ".");
        return false;
    }
    Bitmap& target = image->pages[static_cast<std::size_t>(page)];
    if (target.Empty()) {
        Bitmap read;
        const auto failure = Attempt(kImgCorrupt, [&] {
            if (!image->readPage)
                throw ELibraryError(kImgCorrupt, "Corrupt image data: the page is empty.");
            read = image->readPage(page);
            if (read.Empty())
                throw ELibraryError(kImgCorrupt, "Corrupt image data: the page is empty.");
        });
        if (failure) {
            Fail(failure->status, failure->text);
            return false;
        }
        target = std::move(read);
    }
    image->currentPage = page;
    return true;
}

int ImageLibrary::ImgGetPage(ImgHandle handle) {
    const LibraryImage* image = Image(handle);
    return image ? image->currentPage : -1;
}

ImgHandle ImageLibrary::ImgReduceColors(ImgHandle handle, int colours, int mode) {
    LibraryImage* image = Image(handle);
    if (!image) return 0;
    if (colours < 2 || colours > 256)
        return Fail(kImgBadArgument,
                    "Cannot reduce a picture to " + std::to_string(colours) + " colours.");
    Bitmap reduced;
    const auto failure = Attempt(kImgBadArgument, [&] {
        Bitmap holder;
        reduced = ReduceColours(Workable(image->Picture(), holder), colours, mode);
    });
    if (failure) return Fail(failure->status, failure->text);
    return Adopt(OnePage(std::move(reduced), image));
}

ImgHandle ImageLibrary::ImgReduceColorsPal(ImgHandle handle, int mode, const Palette& palette) {
    LibraryImage* image = Image(handle);
    if (!image) return 0;
    if (palette.empty() || palette.size() > 256)
        return Fail(kImgBadArgument,
                    "A palette of " + std::to_string(palette.size()) + " colours cannot be used.");
    Bitmap reduced;
    const auto failure = Attempt(kImgBadArgument, [&] {
        Bitmap holder;
        reduced = ReduceOntoPalette(Workable(image->Picture(), holder), palette,
                                    (mode & kReduceDiffuse) != 0);
    });
    if (failure) return Fail(failure->status, failure->text);
    return Adopt(OnePage(std::move(reduced), image));
}

ImgHandle ImageLibrary::ImgIncreaseColors(ImgHandle handle, int bits) {
    LibraryImage* image = Image(handle);
    if (!image) return 0;
    if (bits != 24)
        return Fail(kImgBadArgument,
                    "Cannot increase colours to " + std::to_string(bits) + " bits.");
    Bitmap wide;
    const auto failure = Attempt(kImgBadArgument, [&] {
        wide = image->Picture();
        wide.SetPixelFormat(PixelFormat::Bits24);
    });
    if (failure) return Fail(failure->status, failure->text);
    return Adopt(OnePage(std::move(wide), image));
}

ImgHandle ImageLibrary::ImgRotate(ImgHandle handle, int hundredths, std::uint32_t background) {
    LibraryImage* image = Image(handle);
    if (!image) return 0;
    Bitmap rotated;
    const auto failure = Attempt(kImgBadArgument, [&] {
        Bitmap holder;
        rotated = RotatePicture(Workable(image->Picture(), holder), hundredths, background);
    });
    if (failure) return Fail(failure->status, failure->text);
    return Adopt(OnePage(std::move(rotated), image));
}

int ImageLibrary::ImgMirror(ImgHandle handle, bool horizontal, bool vertical) {
    LibraryImage* image = Image(handle);
    if (!image) return 0;
    MirrorPicture(image->Picture(), horizontal, vertical);
    return 1;
}

int ImageLibrary::ImgGamma(ImgHandle handle, int gammaTimes10) {
    LibraryImage* image = Image(handle);
    if (!image) return 0;
    if (gammaTimes10 <= 0)
        return Fail(kImgBadArgument, "Gamma " + std::to_string(gammaTimes10) + " is out of range.");
    if (auto failure =
            Attempt(kImgBadArgument, [&] { ApplyGamma(image->Picture(), gammaTimes10); }))
        return Fail(failure->status, failure->text);
    return 1;
}

std::optional<Palette> ImageLibrary::ImgGetPalette(ImgHandle handle) {
    const LibraryImage* image = Image(handle);
    if (!image || PaletteSizeOf(image->Picture().Format()) == 0) return std::nullopt;
    return image->Picture().Colours();
}

int ImageLibrary::ImgXWriteImage(const std::string& path, const std::string& type, ImgHandle handle,
                                 int, int, int) {
    const LibraryImage* image = Image(handle);
    if (!image) return 0;
    if (auto failure = Attempt(kImgCannotWrite, [&] { WritePicture(path, type, *image); }))
        return Fail(failure->status, failure->text);
    return 1;
}

void ImageLibrary::ImgErrBox(Dialogs& dialogs) const {
    if (status_ != kImgOk) dialogs.Error(lastError_);
}

} // namespace zv
