#pragma once
// A small FlashPix writer for tests and benchmarks: a source picture (PNM
// samples: grey, RGB, or either with alpha last) becomes a resolution
// pyramid of 64 x 64 tiles, each uncompressed, JPEG (tables shared through
// the image contents, or in each tile) or, where a tile is one flat colour,
// a single colour, in RGB, PhotoYCC or monochrome, inside a compound file.

#include "CompoundFiles.h"
#include "PnmFiles.h"
#include "formats/JpegCodec.h"

// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace zvtest {

enum class FpxSpace { Rgb, Ycc, Mono };
enum class FpxTiles { Raw, Jpeg };

// The streams of the image object by name, before they go into the file;
// tests spoil them to make damaged files.
using FpxStreams = std::map<std::string, std::vector<std::uint8_t>>;

struct FpxOptions {
    FpxSpace space = FpxSpace::Rgb;
    std::vector<FpxTiles> levels{FpxTiles::Jpeg, FpxTiles::Raw}; // largest first
    bool singleColourTiles = true;
    bool sharedTables = true;
    // JPEG tiles coded from luma and colour differences the codec made
    // (internal colour conversion), or holding the channels as they are.
    bool jpegConverts = true;
    bool subsample = false; // colour differences at half width and height
    int quality = 90;
    int sectorShift = 9;
    std::function<void(FpxStreams&)> damage;
};

// The next resolution: each 2 x 2 block's mean, the odd last row and column
// taken alone.
inline PnmPicture FpxHalf(const PnmPicture& in) {
    PnmPicture out;
    out.width = (in.width + 1) / 2;
    out.height = (in.height + 1) / 2;
    out.channels = in.channels;
    out.maxValue = 255;
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            for (int c = 0; c < in.channels; ++c) {
                int sum = 0, n = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        if (2 * x + dx < in.width && 2 * y + dy < in.height) {
                            sum += in.Sample(2 * x + dx, 2 * y + dy, c);
                            ++n;
                        }
                out.samples.push_back(static_cast<std::uint16_t>((sum + n / 2) / n));
            }
    return out;
}

namespace fpx {

using Bytes = std::vector<std::uint8_t>;

inline void Put32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline std::uint8_t Byte(double v) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// One pixel's samples as the file holds them: colours premultiplied by
// opacity, PhotoYCC made from RGB, opacity last.
inline std::vector<std::uint8_t> FileSamples(const PnmPicture& picture, FpxSpace space, int x,
                                             int y) {
    const bool alpha = picture.channels == 2 || picture.channels == 4;
    const int colours = picture.channels - (alpha ? 1 : 0);
    const int a = alpha ? picture.Sample(x, y, picture.channels - 1) : 255;
    std::vector<double> c;
    for (int i = 0; i < colours; ++i) c.push_back(picture.Sample(x, y, i) * a / 255.0);
    std::vector<std::uint8_t> out;
    if (space == FpxSpace::Ycc) {
        const double luma = 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2];
        out = {Byte(luma / 1.3584), Byte((c[2] - luma) / 2.2179 + 156),
               Byte((c[0] - luma) / 1.8215 + 137)};
    } else {
        for (const double v : c) out.push_back(Byte(v));
    }
    if (alpha) out.push_back(static_cast<std::uint8_t>(a));
    return out;
}

// The JPEG codec's segments split into tables and the rest.
struct JpegParts {
    Bytes tables; // SOI, DQT, DHT, EOI
    Bytes tile;   // SOI, SOF, SOS and the coded data, EOI
};

inline JpegParts SplitJpeg(const Bytes& stream) {
    JpegParts parts;
    parts.tables = {0xFF, 0xD8};
    parts.tile = {0xFF, 0xD8};
    std::size_t at = 2;
    while (at + 4 <= stream.size() && stream[at] == 0xFF && stream[at + 1] != 0xDA) {
        const std::size_t length = std::size_t{stream[at + 2]} << 8 | stream[at + 3];
        const std::uint8_t marker = stream[at + 1];
        Bytes& into = marker == 0xDB || marker == 0xC4 ? parts.tables : parts.tile;
        if (marker < 0xE0 || marker > 0xEF)
            into.insert(into.end(), stream.begin() + at, stream.begin() + at + 2 + length);
        at += 2 + length;
    }
    parts.tile.insert(parts.tile.end(), stream.begin() + at, stream.end());
    parts.tables.insert(parts.tables.end(), {0xFF, 0xD9});
    return parts;
}

// Tiles with opacity (2 or 4 channels) straight through libjpeg, which
// stores the channels as given: the writer makes luma and colour
// differences of a converted tile's colours itself.
inline Bytes EncodeOpacityTile(const Bytes& samples, int channels, int side,
                               const FpxOptions& options) {
    Bytes coded = samples;
    if (channels == 4 && options.jpegConverts)
        for (std::size_t at = 0; at < coded.size(); at += 4) {
            const double r = samples[at], g = samples[at + 1], b = samples[at + 2];
            const double luma = 0.299 * r + 0.587 * g + 0.114 * b;
            coded[at] = Byte(luma);
            coded[at + 1] = Byte(128 + (b - luma) / 1.772);
            coded[at + 2] = Byte(128 + (r - luma) / 1.402);
        }
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors); // a failure ends the test program
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = info.image_height = static_cast<JDIMENSION>(side);
    info.input_components = channels;
    info.in_color_space = channels == 4 ? JCS_CMYK : JCS_UNKNOWN;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, options.quality, TRUE);
    info.write_JFIF_header = info.write_Adobe_marker = FALSE;
    if (channels == 4 && options.subsample) {
        info.comp_info[0].h_samp_factor = info.comp_info[0].v_samp_factor = 2;
        info.comp_info[3].h_samp_factor = info.comp_info[3].v_samp_factor = 2;
    }
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < side; ++y) {
        JSAMPROW row = coded.data() + std::size_t(y) * side * channels;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// A tile's samples as a JPEG. Channels kept as they are go in as the colour
// whose luma and colour differences they are, so the codec's own colour
// conversion stores them unchanged.
inline Bytes EncodeTile(const Bytes& samples, int channels, int side, const FpxOptions& options) {
    if (channels == 2 || channels == 4) return EncodeOpacityTile(samples, channels, side, options);
    zv::Bitmap tile;
    tile.Create(side, side, channels == 1 ? zv::PixelFormat::Bits8 : zv::PixelFormat::Bits24);
    if (channels == 1) {
        zv::Palette grey(256);
        for (int v = 0; v < 256; ++v)
            grey[v] = {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v), 0};
        tile.SetPalette(grey);
    }
    for (int y = 0; y < side; ++y) {
        std::uint8_t* row = tile.ScanLine(y);
        for (int x = 0; x < side; ++x) {
            const std::uint8_t* s = &samples[(std::size_t(y) * side + x) * channels];
            if (channels == 1) {
                row[x] = s[0];
            } else if (options.jpegConverts) {
                row[3 * x] = s[2], row[3 * x + 1] = s[1], row[3 * x + 2] = s[0];
            } else {
                const double luma = s[0], cb = s[1] - 128.0, cr = s[2] - 128.0;
                row[3 * x + 2] = Byte(luma + 1.402 * cr);
                row[3 * x + 1] = Byte(luma - 0.344136 * cb - 0.714136 * cr);
                row[3 * x] = Byte(luma + 1.772 * cb);
            }
        }
    }
    zv::JpegEncodeOptions encode;
    encode.quality = options.quality;
    encode.scale = zv::JpegQualityScale::Library;
    encode.subsampling = options.subsample ? zv::JpegSubsampling::Both : zv::JpegSubsampling::None;
    encode.grey = channels == 1;
    encode.optimiseTables = false; // the standard tables, the same for every tile
    encode.dct = zv::JpegDct::IntegerSlow;
    return zv::JpegEncode(tile, encode);
}

inline std::uint32_t ChannelWord(FpxSpace space, int channel, int channels) {
    const std::uint32_t spaceCode = space == FpxSpace::Mono ? 1 : space == FpxSpace::Ycc ? 2 : 3;
    const bool opacity = channels == 2 || channels == 4;
    const std::uint32_t colour = opacity && channel == channels - 1 ? 0x7FFE : channel;
    return spaceCode << 16 | colour;
}

// A property set of one section holding 4-byte numbers, lists and blobs.
class PropertyWriter {
public:
    void Number(std::uint32_t id, std::uint32_t value) {
        Bytes v;
        Put32(v, 19);
        Put32(v, value);
        values_[id] = v;
    }
    void Numbers(std::uint32_t id, const std::vector<std::uint32_t>& list) {
        Bytes v;
        Put32(v, 0x1013);
        Put32(v, static_cast<std::uint32_t>(list.size()));
        for (const std::uint32_t n : list) Put32(v, n);
        values_[id] = v;
    }
    void Blob(std::uint32_t id, const Bytes& blob) {
        Bytes v;
        Put32(v, 65);
        Put32(v, static_cast<std::uint32_t>(blob.size()));
        v.insert(v.end(), blob.begin(), blob.end());
        v.resize((v.size() + 3) / 4 * 4);
        values_[id] = v;
    }
    Bytes Stream() const {
        Bytes out = {0xFE, 0xFF, 0, 0};
        Put32(out, 0x00020005);
        out.resize(out.size() + 16); // class id
        Put32(out, 1);
        const std::uint8_t formatId[16] = {0x00, 0x60, 0x61, 0x56, 0x54, 0xC1, 0xCE, 0x11,
                                           0x85, 0x53, 0x00, 0xAA, 0x00, 0xA1, 0xF9, 0x5B};
        out.insert(out.end(), formatId, formatId + 16);
        Put32(out, 48);
        Bytes section, body;
        const std::uint32_t tableSize = 8 + 8 * static_cast<std::uint32_t>(values_.size());
        for (const auto& [id, value] : values_) {
            Put32(section, id);
            Put32(section, tableSize + static_cast<std::uint32_t>(body.size()));
            body.insert(body.end(), value.begin(), value.end());
        }
        Put32(out, tableSize + static_cast<std::uint32_t>(body.size()));
        Put32(out, static_cast<std::uint32_t>(values_.size()));
        out.insert(out.end(), section.begin(), section.end());
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }

private:
    std::map<std::uint32_t, Bytes> values_;
};

} // namespace fpx

inline std::vector<std::uint8_t> WriteFlashPix(const PnmPicture& source,
                                               const FpxOptions& options) {
    using namespace fpx;
    constexpr int kSide = 64;
    const int channels = source.channels;
    FpxStreams streams;
    PropertyWriter properties;
    Bytes sharedTables;
    PnmPicture level = source;
    const auto count = static_cast<std::uint32_t>(options.levels.size());
    properties.Number(0x01000000, count);
    properties.Number(0x01000002, static_cast<std::uint32_t>(source.width));
    properties.Number(0x01000003, static_cast<std::uint32_t>(source.height));
    for (std::uint32_t n = 0; n < count; ++n) {
        if (n > 0) level = FpxHalf(level);
        const int across = (level.width + kSide - 1) / kSide;
        const int down = (level.height + kSide - 1) / kSide;
        Bytes header, data;
        for (const int v :
             {36, level.width, level.height, across * down, kSide, kSide, channels, 36, 16})
            Put32(header, static_cast<std::uint32_t>(v));
        for (int ty = 0; ty < down; ++ty)
            for (int tx = 0; tx < across; ++tx) {
                // The tile's samples, the picture's last row and column repeated past its edge.
                Bytes samples;
                bool flat = true;
                for (int y = 0; y < kSide; ++y)
                    for (int x = 0; x < kSide; ++x) {
                        const auto pixel = FileSamples(level, options.space,
                                                       std::min(tx * kSide + x, level.width - 1),
                                                       std::min(ty * kSide + y, level.height - 1));
                        flat = flat && (samples.empty() ||
                                        std::equal(pixel.begin(), pixel.end(), samples.begin()));
                        samples.insert(samples.end(), pixel.begin(), pixel.end());
                    }
                std::uint32_t compression = 0, subtype = 0;
                const auto offset = static_cast<std::uint32_t>(data.size());
                if (flat && options.singleColourTiles) {
                    compression = 1;
                    for (int c = 0; c < channels; ++c)
                        subtype |= std::uint32_t{samples[c]} << (8 * c);
                } else if (options.levels[n] == FpxTiles::Raw) {
                    data.insert(data.end(), samples.begin(), samples.end());
                } else {
                    compression = 2;
                    const JpegParts parts =
                        SplitJpeg(EncodeTile(samples, channels, kSide, options));
                    const Bytes& stored = options.sharedTables ? parts.tile : [&] {
                        Bytes whole = parts.tables;
                        whole.resize(whole.size() - 2);
                        whole.insert(whole.end(), parts.tile.begin() + 2, parts.tile.end());
                        return whole;
                    }();
                    data.insert(data.end(), stored.begin(), stored.end());
                    if (options.sharedTables) sharedTables = parts.tables;
                    const std::uint32_t sampling = options.subsample ? 0x22 : 0x11;
                    subtype = sampling << 8 | std::uint32_t{options.jpegConverts} << 16 |
                              std::uint32_t{options.sharedTables} << 24;
                }
                for (const std::uint32_t v :
                     {offset, static_cast<std::uint32_t>(data.size()) - offset, compression,
                      subtype})
                    Put32(header, v);
            }
        char name[32];
        std::snprintf(name, sizeof name, "Subimage %04u Header", n);
        streams[name] = header;
        std::snprintf(name, sizeof name, "Subimage %04u Data", n);
        streams[name] = data;
        properties.Number(0x02000000 | n << 16, static_cast<std::uint32_t>(level.width));
        properties.Number(0x02000001 | n << 16, static_cast<std::uint32_t>(level.height));
        Bytes colour;
        Put32(colour, static_cast<std::uint32_t>(channels));
        for (int c = 0; c < channels; ++c) Put32(colour, ChannelWord(options.space, c, channels));
        properties.Blob(0x02000002 | n << 16, colour);
        properties.Numbers(0x02000003 | n << 16, std::vector<std::uint32_t>(channels, 17));
    }
    if (!sharedTables.empty()) {
        properties.Blob(0x03010001, sharedTables);
        properties.Number(0x03000002, 1);
    }
    streams["\x05Image Contents"] = properties.Stream();
    if (options.damage) options.damage(streams);
    std::vector<CfbNode> image;
    for (auto& [name, bytes] : streams) image.push_back(CfbStream(name, bytes));
    return WriteCompoundFile(CfbStorage("", {CfbStorage("Data Object 000001", std::move(image))}),
                             options.sectorShift);
}

} // namespace zvtest
