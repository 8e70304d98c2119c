// zelvan-tool convert: read a picture as the viewer opens it and save it as
// the viewer's "Save as" does, in one of its save types; or, for icons and
// TIFF compressions the save types do not name, through the image-format
// layer's writer of the output's extension.

#include "LayerFiles.h"
#include "Subcommands.h"
#include "ToolArguments.h"

#include "formats/GraphicClasses.h"
#include "formats/PictureLists.h"
#include "formats/TiffGraphic.h"
#include "platform/Display.h"
#include "platform/Extensions.h"
#include "platform/ScriptedDialogs.h"
#include "viewer/PictureSave.h"

#include <iostream>
#include <optional>
#include <stdexcept>
#include <utility>

namespace zvtool {

const char* const kConvertUsage =
    "Usage: zelvan-tool convert [--type N] [--quality Q] [--progressive] [--grey]\n"
    "                           [--page N] [--fax-quality Q] [--scale S] [--compression NAME]\n"
    "                           [--no-orient] IN OUT\n\n"
    "Reads IN (any picture the program reads: BMP, PCX, DCX, TGA, PNG, TIFF, ICO, PSD,\n"
    "JPEG, Photo CD) and saves it as OUT the way the viewer's \"Save as\" does. The type\n"
    "is --type or follows OUT's extension: .bmp 1, .pcx 2, .png 3, .jpg/.jpeg 5,\n"
    ".tga 6, .tif/.tiff 7. An .ico OUT, or --compression, writes through the\n"
    "image-format layer instead. The output is written whole or not at all: an\n"
    "existing OUT is replaced only once the new file is complete.\n\n"
    "  --type N            the save type: 1 BMP, 2 PCX, 3 PNG, 4 JPEG 8-bit grey,\n"
    "                      5 JPEG 24-bit colour, 6 TGA, 7 TIFF uncompressed, 8 TIFF\n"
    "                      deflate, 9 TIFF Adobe deflate, and for black-and-white\n"
    "                      pictures 10 TIFF fax group 3, 11 fax group 4, 12 PackBits.\n"
    "                      OUT's extension is made the type's (out.png --type 5\n"
    "                      writes out.jpg)\n"
    "  --quality Q         JPEG quality, a linear scale: the quantisation tables are\n"
    "                      Q percent of the standard ones, 0..128 (default 50; any\n"
    "                      other value is taken as 50)\n"
    "  --progressive       progressive JPEG, interlaced PNG\n"
    "  --grey              JPEG in 8-bit grey (type 4)\n"
    "  --page N            the image to read from a multi-image file (1-based; default 1)\n"
    "  --fax-quality Q     black-and-white pages in grey: 0 b/w (default), 1 \"4 shades\"\n"
    "                      (half size), 2 \"16 shades\" (a third), 3 \"64 shades\" (a quarter)\n"
    "  --scale S           JPEG input decoded at 1/S: 1 (default), 2, 4 or 8\n"
    "  --no-orient         JPEG input kept as stored: without it a picture whose EXIF\n"
    "                      orientation says it was taken turned or mirrored is stood\n"
    "                      upright, and a JPEG OUT then records orientation 1\n"
    "  --compression NAME  TIFF through the layer with this compression: None, Packbits,\n"
    "                      \"Fax Group 3, 1D\", \"Fax Group 3, 2D\", \"Fax Group 4\", ZLib\n"
    "                      or \"ZLib Adobe\" (the fax kinds for black-and-white pictures)\n";

namespace {

struct ConvertRequest {
    std::string input;
    std::string output;
    int page = 1;
    zv::DecodeOptions read;
    std::optional<std::string> compression;
    std::optional<int> type;
    int quality = zv::kDefaultSaveQuality;
    bool progressive = false;
    bool grey = false;
};

void CheckSaveOptions(const ConvertRequest& request) {
    if (request.grey && request.type && *request.type != zv::kSaveJpegGrey)
        throw std::invalid_argument("--grey is save type 4; it cannot go with --type " +
                                    std::to_string(*request.type));
    if (request.type && (*request.type < 1 || *request.type > zv::kSaveTypeCount))
        throw std::invalid_argument("--type takes 1 to 12");
    const bool saveOptions = request.type || request.grey || request.progressive ||
                             request.quality != zv::kDefaultSaveQuality;
    if (request.compression && saveOptions)
        throw std::invalid_argument(
            "--compression writes through the layer; it cannot go with --type, --quality, "
            "--progressive or --grey");
}

ConvertRequest ParseConvert(const Arguments& arguments) {
    ConvertRequest request;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--page" && hasValue)
            request.page = NumberArgument(argument, arguments[++i]);
        else if (argument == "--fax-quality" && hasValue)
            request.read.faxQuality = NumberArgument(argument, arguments[++i]);
        else if (argument == "--scale" && hasValue)
            request.read.jpegScale = NumberArgument(argument, arguments[++i]);
        else if (argument == "--compression" && hasValue)
            request.compression = arguments[++i];
        else if (argument == "--type" && hasValue)
            request.type = NumberArgument(argument, arguments[++i]);
        else if (argument == "--quality" && hasValue)
            request.quality = NumberArgument(argument, arguments[++i]);
        else if (argument == "--no-orient")
            request.read.exifOrientation = false;
        else if (argument == "--progressive")
            request.progressive = true;
        else if (argument == "--grey" || argument == "--gray")
            request.grey = true;
        else if (argument.starts_with("--"))
            throw std::invalid_argument("unknown option " + argument);
        else
            files.push_back(argument);
    }
    if (files.size() != 2) throw std::invalid_argument("give one input and one output file");
    const int scale = request.read.jpegScale;
    if (scale != 1 && scale != 2 && scale != 4 && scale != 8)
        throw std::invalid_argument("--scale takes 1, 2, 4 or 8");
    CheckSaveOptions(request);
    request.input = files[0];
    request.output = files[1];
    return request;
}

std::optional<int> SaveTypeOf(const ConvertRequest& request) {
    if (request.compression) return std::nullopt;
    if (request.grey) return zv::kSaveJpegGrey;
    if (request.type) return request.type;
    return SaveTypeForFile(request.output);
}

// The picture as the viewer holds it once opened. The viewer's own opens
// (page 1 of the files it shows) keep no resolution, as its "Save as" does
// not; other pages and files (icons) keep the file's.
struct OpenedPicture {
    zv::ImagingContext imaging;
    int xDpi = 0;
    int yDpi = 0;
};

void Open(const ConvertRequest& request, OpenedPicture& opened) {
    const zv::DecodedPicture picture =
        OpenPicture(request.input, opened.imaging, request.page, request.read);
    if (picture.damaged)
        std::cerr << "zelvan-tool convert: " << request.input
                  << " is damaged: an image of it could not be read and was passed over\n";
    const std::string extension = zv::UpperExtension(request.input);
    const bool viewerOpens =
        request.page == 1 &&
        (zv::IsJpegExtension(extension) || zv::ExtensionIn(extension, zv::kAcceptedExtensions));
    if (viewerOpens) return;
    opened.xDpi = picture.xDpi;
    opened.yDpi = picture.yDpi;
}

int SaveAsTheViewerDoes(const ConvertRequest& request, int type) {
    OpenedPicture opened;
    Open(request, opened);
    opened.imaging.descriptor.ScreenBits = zv::FixedDisplay().Info().screenBits;

    zv::ImageLibrary library;
    library.ImgInit();
    zv::ScriptedDialogs dialogs;
    zv::SaveServices services{opened.imaging, library, dialogs, {}, {}};
    zv::SaveJob job;
    job.path =
        request.type || request.grey ? zv::SaveFileName(request.output, type) : request.output;
    job.type = type;
    job.quality = request.quality;
    job.progressive = request.progressive;
    job.xDpi = opened.xDpi;
    job.yDpi = opened.yDpi;
    job.metadataSource = request.input; // a JPEG written from a JPEG keeps its metadata
    job.keepStoredOrientation = !request.read.exifOrientation;
    const zv::SaveResult result = zv::SavePicture(job, services);
    if (result.saved) return 0;
    std::cerr << "zelvan-tool convert: ";
    for (const std::string& text : dialogs.Texts()) std::cerr << text << '\n';
    if (!result.error.empty()) std::cerr << result.error << '\n';
    return 1;
}

void ApplyCompression(zv::TDibGraphic& output, const std::optional<std::string>& name) {
    if (!name) return;
    auto* tiff = dynamic_cast<zv::TTiffGraphic*>(&output);
    if (!tiff) throw std::invalid_argument("--compression applies to TIFF output only");
    const auto compression = zv::TiffCompressionFromName(*name);
    if (!compression) throw std::invalid_argument("unknown TIFF compression \"" + *name + "\"");
    tiff->SetCompression(*compression);
}

int WriteThroughLayer(const ConvertRequest& request) {
    const std::string extension = zv::UpperExtension(request.output);
    auto output = zv::NewGraphicForExtension(extension);
    if (!output || !zv::ExtensionIn(extension, zv::LayerWriteExtensions()))
        throw std::runtime_error("no writer for \"" + extension + "\" files");
    OpenedPicture opened;
    Open(request, opened);
    // The opened picture is not needed after: its pixels go over without a copy.
    output->Assign(std::move(opened.imaging.current), opened.xDpi, opened.yDpi);
    ApplyCompression(*output, request.compression);
    output->SaveToFile(request.output);
    return 0;
}

} // namespace

int RunConvert(const Arguments& arguments) {
    ConvertRequest request;
    try {
        request = ParseConvert(arguments);
    } catch (const std::exception& error) {
        std::cerr << "zelvan-tool convert: " << error.what() << "\n\n" << kConvertUsage;
        return 2;
    }
    if (const std::optional<int> type = SaveTypeOf(request)) {
        // PNG and TGA files keep the input's alpha.
        request.read.keepAlpha = *type == zv::kSavePng || *type == zv::kSaveTga;
        return SaveAsTheViewerDoes(request, *type);
    }
    return WriteThroughLayer(request);
}

} // namespace zvtool
