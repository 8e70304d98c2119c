// zelvan-tool convert: read a picture with the image-format layer and write
// it in the format of the output's extension.

#include "LayerFiles.h"
#include "Subcommands.h"
#include "ToolLoader.h"

#include "formats/GraphicClasses.h"
#include "formats/TiffGraphic.h"
#include "platform/Extensions.h"

#include <iostream>
#include <optional>
#include <stdexcept>

namespace zvtool {

const char* const kConvertUsage =
    "Usage: zelvan-tool convert [--page N] [--fax-quality Q] [--scale S] [--compression NAME]\n"
    "                           IN OUT\n\n"
    "Reads IN (any picture the program reads: BMP, PCX, DCX, TGA, PNG, TIFF, ICO, PSD,\n"
    "JPEG, Photo CD) and writes OUT in the format its extension\n"
    "names: .bmp, .pcx, .tga, .png, .tif/.tiff or .ico. The output is written whole\n"
    "or not at all: an existing OUT is replaced only once the new file is complete.\n\n"
    "  --page N            the image to read from a multi-image file (1-based; default 1)\n"
    "  --fax-quality Q     black-and-white pages in grey: 0 b/w (default), 1 \"4 shades\"\n"
    "                      (half size), 2 \"16 shades\" (a third), 3 \"64 shades\" (a quarter)\n"
    "  --scale S           JPEG input decoded at 1/S: 1 (default), 2, 4 or 8\n"
    "  --compression NAME  TIFF compression: None, Packbits, \"Fax Group 3, 1D\",\n"
    "                      \"Fax Group 3, 2D\", \"Fax Group 4\", ZLib or \"ZLib Adobe\"\n"
    "                      (the fax kinds for black-and-white pictures only)\n";

namespace {

struct ConvertRequest {
    std::string input;
    std::string output;
    ReadOptions read;
    int scale = 1;
    std::optional<std::string> compression;
};

ConvertRequest ParseConvert(const Arguments& arguments) {
    ConvertRequest request;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--page" && hasValue)
            request.read.page = std::stoi(arguments[++i]);
        else if (argument == "--fax-quality" && hasValue)
            request.read.faxQuality = std::stoi(arguments[++i]);
        else if (argument == "--scale" && hasValue)
            request.scale = std::stoi(arguments[++i]);
        else if (argument == "--compression" && hasValue)
            request.compression = arguments[++i];
        else if (argument.starts_with("--"))
            throw std::invalid_argument("unknown option " + argument);
        else
            files.push_back(argument);
    }
    if (files.size() != 2) throw std::invalid_argument("give one input and one output file");
    if (request.scale != 1 && request.scale != 2 && request.scale != 4 && request.scale != 8)
        throw std::invalid_argument("--scale takes 1, 2, 4 or 8");
    request.input = files[0];
    request.output = files[1];
    return request;
}

void ApplyCompression(zv::TDibGraphic& output, const std::optional<std::string>& name) {
    if (!name) return;
    auto* tiff = dynamic_cast<zv::TTiffGraphic*>(&output);
    if (!tiff) throw std::invalid_argument("--compression applies to TIFF output only");
    const auto compression = zv::TiffCompressionFromName(*name);
    if (!compression) throw std::invalid_argument("unknown TIFF compression \"" + *name + "\"");
    tiff->SetCompression(*compression);
}

// The first page opens as the viewer opens it (so JPEG files decode, scaled
// when asked); other pages and files the viewer does not open (icons) are
// read through the layer and the library directly.
bool LoadAsTheViewerDoes(const ConvertRequest& request, zv::TDibGraphic& output) {
    if (request.read.page != 1) return false;
    ToolLoader loader;
    loader.Settings().faxQuality = request.read.faxQuality;
    loader.Settings().jpegScale = request.scale;
    if (!loader.Open(request.input)) return false;
    output.Assign(loader.Imaging().current);
    return true;
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
    const std::string extension = zv::UpperExtension(request.output);
    auto output = zv::NewGraphicForExtension(extension);
    if (!output || !zv::ExtensionIn(extension, zv::kLayerWriteExtensions))
        throw std::runtime_error("no writer for \"" + extension + "\" files");
    if (!LoadAsTheViewerDoes(request, *output)) {
        const LayerPicture picture = ReadLayerPicture(request.input, request.read);
        if (picture.image)
            output->Assign(*picture.image);
        else
            output->Assign(picture.pixels, picture.xDpi, picture.yDpi);
    }
    ApplyCompression(*output, request.compression);
    output->SaveToFile(request.output);
    return 0;
}

} // namespace zvtool
