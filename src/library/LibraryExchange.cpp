#include "library/LibraryExchange.h"

#include "formats/BmpGraphic.h"
#include "formats/PcxGraphic.h"
#include "imaging/MemoryCheck.h"
#include "imaging/PackedDib.h"
#include "platform/LittleEndian.h"

#include <filesystem>
#include <mutex>

namespace zv {

namespace {

void Normalise(ImagingContext& imaging) {
    const int bits = imaging.descriptor.ImageBits;
    if (bits == 4)
        EnsureIndexed4(imaging);
    else if (bits == 8)
        EnsureIndexed8(imaging);
    else if (bits > 8)
        EnsureTrueColour(imaging);
    if (imaging.current.Storage() == StorageKind::DDB) imaging.current.SetStorage(StorageKind::DIB);
}

void RemoveQuietly(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::remove(path, error);
}

ImgHandle ExportThroughFile(LibraryExchange& exchange) {
    const auto path = exchange.tempNames.TempFileName("zvexport.pcx");
    {
        std::lock_guard surface(exchange.imaging.current.Surface());
        TPcxGraphic writer;
        writer.Assign(exchange.imaging.current);
        writer.SaveToFile(path);
    }
    exchange.exportedThroughFile = true;
    return exchange.library.ImgOpenSolo(path.string(), 0);
}

ImgHandle ExportInMemory(LibraryExchange& exchange) {
    std::vector<std::uint8_t> block;
    {
        std::lock_guard surface(exchange.imaging.current.Surface());
        block = BuildPackedDib(exchange.imaging.current);
    }
    exchange.exportedThroughFile = false;
    return exchange.library.ImgFromDIB(std::move(block));
}

void ReadDescriptor(LibraryExchange& exchange) {
    std::array<std::uint8_t, 40> header{};
    if (!exchange.library.ImgGetInfoStruct(exchange.imaging.LibraryHandle, header)) return;
    ImageDescriptor& descriptor = exchange.imaging.descriptor;
    descriptor.ImageWidth = static_cast<std::int32_t>(GetLittle32(header.data() + 4));
    descriptor.ImageHeight = static_cast<std::int32_t>(GetLittle32(header.data() + 8));
    const int planes = GetLittle16(header.data() + 12);
    const int bits = GetLittle16(header.data() + 14);
    descriptor.ImageBits = static_cast<std::int16_t>(planes * bits);
}

void CloseUnlessKept(LibraryExchange& exchange, bool keepHandle) {
    if (keepHandle) return;
    exchange.library.ImgClose(exchange.imaging.LibraryHandle);
    exchange.imaging.LibraryHandle = 0;
}

// The current picture given up after a failed exchange: empty, and the
// descriptor saying so.
bool GiveUpPicture(ImagingContext& imaging) {
    ClearBitmap(imaging.current);
    imaging.descriptor.ImageWidth = 0;
    imaging.descriptor.ImageHeight = 0;
    return false;
}

bool ImportThroughFile(LibraryExchange& exchange, bool keepHandle) {
    ImagingContext& imaging = exchange.imaging;
    const auto path = exchange.tempNames.TempFileName("zvexport.bmp");
    RemoveQuietly(path);
    int written = 0;
    {
        std::lock_guard surface(imaging.current.Surface());
        written =
            exchange.library.ImgXWriteImage(path.string(), "bmp", imaging.LibraryHandle, 0, 0, 0);
    }
    CloseUnlessKept(exchange, keepHandle);
    if (written != 1) {
        exchange.library.ImgErrBox(exchange.dialogs);
        RemoveQuietly(path);
        return false;
    }
    Bitmap picture;
    try {
        TBmpGraphic reader;
        reader.LoadFromFile(path);
        reader.AssignTo(picture);
    } catch (const std::exception& error) {
        RemoveQuietly(path);
        exchange.dialogs.Error(error.what());
        return GiveUpPicture(imaging);
    }
    RemoveQuietly(path);
    {
        std::lock_guard surface(imaging.current.Surface());
        imaging.current = std::move(picture);
    }
    imaging.descriptor.ImageWidth = imaging.current.Width();
    imaging.descriptor.ImageHeight = imaging.current.Height();
    return true;
}

PixelFormat TargetFormat(ImageDescriptor& descriptor) {
    switch (descriptor.ImageBits) {
    case 1: return PixelFormat::Bits1;
    case 4: return PixelFormat::Bits4;
    case 8: return PixelFormat::Bits8;
    default: descriptor.ImageBits = 24; return PixelFormat::Bits24;
    }
}

bool ImportInMemory(LibraryExchange& exchange, bool keepHandle) {
    ImagingContext& imaging = exchange.imaging;
    const LibraryImage* image = exchange.library.Image(imaging.LibraryHandle);
    if (!image) {
        exchange.library.ImgErrBox(exchange.dialogs);
        return false;
    }
    const Bitmap& source = image->Picture();
    if (source.Empty()) {
        exchange.dialogs.Error("The picture is empty.");
        return false;
    }
    if (source.Width() != imaging.descriptor.ImageWidth ||
        source.Height() != imaging.descriptor.ImageHeight)
        return false;
    const PixelFormat target = TargetFormat(imaging.descriptor);
    try {
        Bitmap picture(source);
        if (picture.Format() != target) picture.SetPixelFormat(target);
        picture.SetStorage(StorageKind::DIB);
        std::lock_guard surface(imaging.current.Surface());
        imaging.current = std::move(picture);
    } catch (const std::exception& error) {
        exchange.dialogs.Error(error.what());
        return GiveUpPicture(imaging);
    }
    CloseUnlessKept(exchange, keepHandle);
    return true;
}

} // namespace

ImgHandle BitmapToLibraryImage(LibraryExchange& exchange) {
    ImagingContext& imaging = exchange.imaging;
    Normalise(imaging);
    ImgHandle handle = 0;
    try {
        handle = ImageByteSize(imaging.descriptor, imaging.autoReduce) >= kLibraryMemoryLimit
                     ? ExportThroughFile(exchange)
                     : ExportInMemory(exchange);
    } catch (const std::exception&) {
        handle = 0;
    }
    imaging.LibraryHandle = handle;
    return handle;
}

bool LibraryImageToBitmap(LibraryExchange& exchange, bool refreshInfo, bool keepHandle) {
    ImagingContext& imaging = exchange.imaging;
    if (refreshInfo) ReadDescriptor(exchange);
    const int screenBits = imaging.descriptor.ScreenBits;
    const bool throughFile =
        screenBits == 15 || screenBits == 16 ||
        ImageByteSize(imaging.descriptor, imaging.autoReduce) > kLibraryMemoryLimit;
    return throughFile ? ImportThroughFile(exchange, keepHandle)
                       : ImportInMemory(exchange, keepHandle);
}

} // namespace zv
