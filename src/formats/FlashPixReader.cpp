#include "formats/FlashPixReader.h"

#include "formats/CompoundFile.h"
#include "formats/FormatTable.h"
#include "formats/JpegCodec.h"
#include "formats/PictureLimits.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>

namespace zv {

namespace {

[[noreturn]] void Fail(const std::string& why) {
    throw EFlashPixError("FlashPix: " + why + ".");
}

// --- The property set of the image contents ---

// Property identifiers; nn (bits 16..23) is the resolution number, mm the
// JPEG table number.
constexpr std::uint32_t kResolutionCount = 0x01000000;
constexpr std::uint32_t SubimageColour(std::uint32_t nn) {
    return 0x02000002 | nn << 16;
}
constexpr std::uint32_t SubimageFormat(std::uint32_t nn) {
    return 0x02000003 | nn << 16;
}
constexpr std::uint32_t JpegTables(std::uint32_t mm) {
    return 0x03000001 | mm << 16;
}

constexpr std::uint32_t kTypeUi4 = 19;
constexpr std::uint32_t kTypeBlob = 65;
constexpr std::uint32_t kTypeVector = 0x1000;
constexpr std::uint32_t kTypeUi1 = 17;

// The first section's values, each the bytes after its type word.
class PropertySet {
public:
    explicit PropertySet(ByteSpan stream) {
        ByteReader reader(stream);
        if (reader.U16LE() != 0xFFFE) Fail("the image contents have a wrong byte order");
        reader.Skip(2 + 4 + 16);
        if (reader.U32LE() < 1) Fail("the image contents hold no section");
        reader.Skip(16);
        const std::uint32_t at = reader.U32LE();
        reader.Seek(at);
        const std::uint32_t size = reader.U32LE();
        if (size < 8 || size > stream.size() - at) Fail("the image contents section is cut short");
        const ByteSpan section = stream.subspan(at, size);
        ByteReader pairs(section);
        pairs.Skip(4);
        const std::uint32_t count = pairs.U32LE();
        if (count > (size - 8) / 8) Fail("the image contents name too many values");
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t id = pairs.U32LE();
            const std::uint32_t offset = pairs.U32LE();
            if (offset > size - 4) Fail("a value of the image contents lies outside them");
            ByteReader value(section.subspan(offset));
            const std::uint32_t type = value.U32LE();
            values_[id] = {type, section.subspan(offset + 4)};
        }
    }

    std::optional<std::uint32_t> U32(std::uint32_t id) const {
        const auto found = values_.find(id);
        if (found == values_.end() || (found->second.first & 0xFFFF) != kTypeUi4) return {};
        return ByteReader(found->second.second).U32LE();
    }
    std::optional<ByteSpan> Blob(std::uint32_t id) const {
        const auto found = values_.find(id);
        if (found == values_.end() || found->second.first != kTypeBlob) return {};
        ByteReader reader(found->second.second);
        return reader.Take(reader.U32LE());
    }
    std::optional<std::vector<std::uint32_t>> U32s(std::uint32_t id) const {
        const auto found = values_.find(id);
        if (found == values_.end() || found->second.first != (kTypeVector | kTypeUi4)) return {};
        ByteReader reader(found->second.second);
        const std::uint32_t count = reader.U32LE();
        if (count > reader.Remaining() / 4) Fail("a list of the image contents is cut short");
        std::vector<std::uint32_t> list(count);
        for (std::uint32_t& item : list) item = reader.U32LE();
        return list;
    }

private:
    std::map<std::uint32_t, std::pair<std::uint32_t, ByteSpan>> values_;
};

// --- Colour ---

constexpr std::uint32_t kOpacityColour = 0x7FFE;
constexpr std::uint32_t kSpaceMonochrome = 1;
constexpr std::uint32_t kSpacePhotoYcc = 2;

struct Colour {
    FlashPixSpace space = FlashPixSpace::Rgb;
    int channels = 0;
    bool opacity = false;
    friend bool operator==(const Colour&, const Colour&) = default;
};

// The blob: a channel count, then per channel the colour space (bits
// 16..30) and the channel's colour (bits 0..15; 0x7FFE is opacity).
Colour ReadColour(ByteSpan blob) {
    ByteReader reader(blob);
    Colour colour;
    const std::uint32_t count = reader.U32LE();
    if (count < 1 || count > 4) Fail("a resolution has " + std::to_string(count) + " channels");
    colour.channels = static_cast<int>(count);
    std::uint32_t space = 0;
    for (std::uint32_t c = 0; c < count; ++c) {
        const std::uint32_t channel = reader.U32LE();
        if (c == 0) space = channel >> 16 & 0x7FFF;
        if (c == count - 1 && count != 3 && (channel & 0xFFFF) == kOpacityColour)
            colour.opacity = true;
    }
    const int colourChannels = colour.channels - (colour.opacity ? 1 : 0);
    if (colourChannels == 1) {
        colour.space = FlashPixSpace::Monochrome;
    } else if (colourChannels == 3) {
        colour.space = space == kSpacePhotoYcc ? FlashPixSpace::PhotoYcc : FlashPixSpace::Rgb;
    } else {
        Fail("unknown channel layout");
    }
    if (space == kSpaceMonochrome && colour.space != FlashPixSpace::Monochrome)
        Fail("a monochrome resolution with colour channels");
    return colour;
}

// PhotoYCC to RGB in 16.16 fixed point: luma scaled by 1.3584, the colour
// differences centred on 156 and 137.
struct YccTables {
    std::array<std::int32_t, 256> luma, blueFromC1, redFromC2, greenFromC1, greenFromC2;
};

const YccTables& Ycc() {
    static const YccTables tables = [] {
        YccTables t;
        for (int v = 0; v < 256; ++v) {
            const double c1 = 2.2179 * (v - 156);
            const double c2 = 1.8215 * (v - 137);
            const auto fixed = [](double x) {
                return static_cast<std::int32_t>(std::lround(x * 65536));
            };
            t.luma[v] = fixed(1.3584 * v);
            t.blueFromC1[v] = fixed(c1);
            t.redFromC2[v] = fixed(c2);
            t.greenFromC1[v] = fixed(-0.194 * c1);
            t.greenFromC2[v] = fixed(-0.509 * c2);
        }
        return t;
    }();
    return tables;
}

std::uint8_t Clamp16(std::int32_t fixed) {
    return static_cast<std::uint8_t>(std::clamp((fixed + 32768) >> 16, 0, 255));
}

std::uint8_t Unpremultiply(int value, int alpha) {
    return alpha == 0 ? 0
                      : static_cast<std::uint8_t>(std::min(255, (value * 255 + alpha / 2) / alpha));
}

// Where a run of source pixels keeps its channels: byte offsets of the
// colour channels and of opacity inside a pixel of `step` bytes.
struct SourcePixels {
    const std::uint8_t* data;
    int step;
    std::array<int, 4> at;
};

template <FlashPixSpace kSpace, bool kOpacity>
void PutRunOf(const SourcePixels& source, int count, std::uint8_t* out, int alphaAt) {
    const std::uint8_t* p = source.data;
    const auto [a0, a1, a2, a3] = source.at;
    const YccTables& ycc = Ycc();
    for (int x = 0; x < count; ++x, p += source.step) {
        std::uint8_t r, g, b;
        if constexpr (kSpace == FlashPixSpace::Monochrome) {
            r = g = b = p[a0];
        } else if constexpr (kSpace == FlashPixSpace::Rgb) {
            r = p[a0];
            g = p[a1];
            b = p[a2];
        } else {
            const std::int32_t luma = ycc.luma[p[a0]];
            r = Clamp16(luma + ycc.redFromC2[p[a2]]);
            g = Clamp16(luma + ycc.greenFromC1[p[a1]] + ycc.greenFromC2[p[a2]]);
            b = Clamp16(luma + ycc.blueFromC1[p[a1]]);
        }
        if constexpr (kOpacity) {
            const int alpha = p[alphaAt];
            out[0] = Unpremultiply(b, alpha);
            out[1] = Unpremultiply(g, alpha);
            out[2] = Unpremultiply(r, alpha);
            out[3] = static_cast<std::uint8_t>(alpha);
            out += 4;
        } else if constexpr (kSpace == FlashPixSpace::Monochrome) {
            *out++ = r;
        } else {
            out[0] = b;
            out[1] = g;
            out[2] = r;
            out += 3;
        }
    }
}

// One row of a tile into the picture's row.
void PutRun(const Colour& colour, const SourcePixels& source, int count, std::uint8_t* out) {
    if (!colour.opacity && source.step > 0) {
        // Rows that are already the picture's: grey, or decoded JPEG colour.
        const bool grey = colour.space == FlashPixSpace::Monochrome && source.step == 1;
        const bool bgr = colour.space == FlashPixSpace::Rgb && source.step == 3 &&
                         source.at[0] == 2 && source.at[1] == 1 && source.at[2] == 0;
        if (grey || bgr) {
            std::memcpy(out, source.data, static_cast<std::size_t>(count) * source.step);
            return;
        }
    }
    const int alphaAt = colour.channels == 2 ? source.at[1] : source.at[3];
    using enum FlashPixSpace;
    switch (colour.space) {
    case Rgb:
        return colour.opacity ? PutRunOf<Rgb, true>(source, count, out, alphaAt)
                              : PutRunOf<Rgb, false>(source, count, out, alphaAt);
    case PhotoYcc:
        return colour.opacity ? PutRunOf<PhotoYcc, true>(source, count, out, alphaAt)
                              : PutRunOf<PhotoYcc, false>(source, count, out, alphaAt);
    case Monochrome:
        return colour.opacity ? PutRunOf<Monochrome, true>(source, count, out, alphaAt)
                              : PutRunOf<Monochrome, false>(source, count, out, alphaAt);
    }
}

// --- Resolutions and tiles ---

constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kSingleColour = 1;
constexpr std::uint32_t kJpeg = 2;
constexpr std::uint32_t kMaxTileSide = 1024;

struct Tile {
    std::uint32_t offset = 0, size = 0, compression = 0, subtype = 0;
};

struct Subimage {
    std::uint32_t number = 0;
    std::int32_t width = 0, height = 0;
    std::uint32_t tileWidth = 0, tileHeight = 0;
    std::uint32_t tilesAcross = 0;
    int dataStream = -1;
    Colour colour;
    std::vector<Tile> tiles;
};

// "Subimage 0003 Header" gives 3.
std::optional<std::uint32_t> SubimageNumber(std::string_view name, std::string_view suffix) {
    constexpr std::string_view kLead = "Subimage ";
    if (name.size() != kLead.size() + 4 + suffix.size() || !name.starts_with(kLead) ||
        !name.ends_with(suffix))
        return {};
    std::uint32_t number = 0;
    for (const char c : name.substr(kLead.size(), 4)) {
        if (c < '0' || c > '9') return {};
        number = number * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return number;
}

Subimage ReadSubimageHeader(ByteSpan stream, std::uint32_t channels) {
    ByteReader reader(stream);
    Subimage level;
    reader.U32LE(); // the header's own length
    const std::uint32_t width = reader.U32LE();
    const std::uint32_t height = reader.U32LE();
    const std::uint32_t tileCount = reader.U32LE();
    level.tileWidth = reader.U32LE();
    level.tileHeight = reader.U32LE();
    const std::uint32_t headerChannels = reader.U32LE();
    const std::uint32_t tableAt = reader.U32LE();
    const std::uint32_t entryLength = reader.U32LE();
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
        Fail("a resolution of " + std::to_string(width) + " x " + std::to_string(height) +
             " pixels");
    if (level.tileWidth == 0 || level.tileHeight == 0 || level.tileWidth > kMaxTileSide ||
        level.tileHeight > kMaxTileSide)
        Fail("tiles of a wrong size");
    if (headerChannels != channels) Fail("a resolution's channel count disagrees");
    level.width = static_cast<std::int32_t>(width);
    level.height = static_cast<std::int32_t>(height);
    level.tilesAcross = (width + level.tileWidth - 1) / level.tileWidth;
    const std::uint64_t tilesDown = (height + level.tileHeight - 1) / level.tileHeight;
    if (tileCount != std::uint64_t{level.tilesAcross} * tilesDown) Fail("a wrong tile count");
    if (entryLength < 16) Fail("a wrong tile table");
    // The table must lie in the stream, which bounds the count by the file's size.
    if (tableAt > stream.size() || std::uint64_t{tileCount} * entryLength > stream.size() - tableAt)
        Fail("the tile table is cut short");
    level.tiles.resize(tileCount);
    for (std::uint32_t t = 0; t < tileCount; ++t) {
        reader.Seek(tableAt + std::uint64_t{t} * entryLength);
        Tile& tile = level.tiles[t];
        tile.offset = reader.U32LE();
        tile.size = reader.U32LE();
        tile.compression = reader.U32LE();
        tile.subtype = reader.U32LE();
    }
    return level;
}

// The storage holding the image contents: the root, or one of its storages.
int ImageStorage(const CompoundFile& file) {
    if (file.Find(CompoundFile::kRoot, "\x05Image Contents") >= 0) return CompoundFile::kRoot;
    for (const int child : file.Children(CompoundFile::kRoot))
        if (file.Entry(child).type == CompoundEntryType::Storage &&
            file.Find(child, "\x05Image Contents") >= 0)
            return child;
    Fail("no image contents");
}

// --- JPEG tiles ---

// Tells the decoder that three channels are stored as they are, not as
// luma and colour differences.
constexpr std::uint8_t kAdobeAsIs[] = {0xFF, 0xEE, 0x00, 0x0E, 'A',  'd',  'o',  'b',
                                       'e',  0x00, 0x64, 0x00, 0x00, 0x00, 0x00, 0x00};

void Append(Bytes& out, ByteSpan bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// The tile's stream with the shared tables put in after its start marker.
// A JFIF segment would make the decoder take the channels for luma and
// colour differences, so one is left out of a tile stored as it is.
void BuildJpegStream(ByteSpan tile, const ByteSpan* tables, bool asIs, Bytes& out) {
    if (tile.size() < 4 || tile[0] != 0xFF || tile[1] != 0xD8) Fail("a JPEG tile without a start");
    std::size_t at = 2;
    while (asIs && at + 4 <= tile.size() && tile[at] == 0xFF && tile[at + 1] == 0xE0)
        at += 2 + (std::size_t{tile[at + 2]} << 8 | tile[at + 3]);
    at = std::min(at, tile.size());
    out.assign({0xFF, 0xD8});
    if (asIs) Append(out, kAdobeAsIs);
    if (tables) {
        ByteSpan t(*tables);
        if (t.size() >= 2 && t[0] == 0xFF && t[1] == 0xD8) t = t.subspan(2);
        if (t.size() >= 2 && t[t.size() - 2] == 0xFF && t[t.size() - 1] == 0xD9)
            t = t.first(t.size() - 2);
        Append(out, t);
    }
    Append(out, tile.subspan(at));
}

// The first three channels of four-channel samples from the JPEG's luma
// and colour differences back to the colours coded (the JFIF equations).
void LumaToColour(JpegComponents& decoded) {
    struct Tables {
        std::array<std::int32_t, 256> red, greenFromCb, greenFromCr, blue;
    };
    static const Tables tables = [] {
        Tables t;
        for (int v = 0; v < 256; ++v) {
            const auto fixed = [](double x) {
                return static_cast<std::int32_t>(std::lround(x * 65536));
            };
            t.red[v] = fixed(1.402 * (v - 128));
            t.greenFromCb[v] = fixed(-0.344136 * (v - 128));
            t.greenFromCr[v] = fixed(-0.714136 * (v - 128));
            t.blue[v] = fixed(1.772 * (v - 128));
        }
        return t;
    }();
    std::uint8_t* p = decoded.samples.data();
    for (std::size_t n = decoded.samples.size() / 4; n > 0; --n, p += 4) {
        const std::int32_t luma = std::int32_t{p[0]} << 16;
        const int cb = p[1], cr = p[2];
        p[0] = Clamp16(luma + tables.red[cr]);
        p[1] = Clamp16(luma + tables.greenFromCb[cb] + tables.greenFromCr[cr]);
        p[2] = Clamp16(luma + tables.blue[cb]);
    }
}

struct Scratch {
    Bytes stream;
    Bitmap decoded;
    JpegComponents components;
};

} // namespace

struct FlashPixFile::Parts {
    explicit Parts(ByteSpan data) : file(data) {}
    CompoundFile file;
    Colour colour;
    Bytes contents; // the property set, which the JPEG tables point into
    std::map<std::uint32_t, ByteSpan> jpegTables;
    std::vector<Subimage> levels; // largest first

    void DecodeTile(const Subimage& level, ByteSpan data, std::size_t index, Bitmap& out,
                    Scratch& scratch) const;
};

namespace {

template <typename Work> auto Guard(Work&& work) -> decltype(work()) {
    try {
        return work();
    } catch (const EFlashPixError&) {
        throw;
    } catch (const ECompoundFileError& error) {
        throw EFlashPixError(std::string("FlashPix: ") + error.what());
    } catch (const EReadPastEnd&) {
        Fail("a structure is cut short");
    } catch (const EJpegError& error) {
        throw EFlashPixError("FlashPix: damaged JPEG tile: " + std::string(JpegErrorReason(error)));
    }
}

} // namespace

FlashPixFile::FlashPixFile(ByteSpan data) {
    Guard([&] {
        parts_ = std::make_unique<Parts>(data);
        const CompoundFile& file = parts_->file;
        const int storage = ImageStorage(file);
        parts_->contents = file.ReadStream(file.Find(storage, "\x05Image Contents"));
        const PropertySet properties(parts_->contents);
        // The resolutions' streams sit in the image's storage or one level below.
        std::vector<int> places{storage};
        for (const int child : file.Children(storage))
            if (file.Entry(child).type == CompoundEntryType::Storage) places.push_back(child);
        // Streams may share sectors, so the headers read are held to the
        // file's size in all, and each resolution comes once.
        std::uint64_t headerBytes = 0;
        std::vector<bool> seen(256);
        for (const int place : places) {
            for (const int child : file.Children(place)) {
                const auto number = SubimageNumber(file.Entry(child).name, " Header");
                if (!number || file.Entry(child).type != CompoundEntryType::Stream) continue;
                if (*number > 255) Fail("too many resolutions");
                if (seen[*number]) Fail("a resolution stored twice");
                seen[*number] = true;
                headerBytes += file.Entry(child).size;
                if (headerBytes > data.size()) Fail("resolution headers larger than the file");
                const auto blob = properties.Blob(SubimageColour(*number));
                if (!blob) Fail("a resolution without its colours");
                const Colour colour = ReadColour(*blob);
                if (const auto formats = properties.U32s(SubimageFormat(*number)))
                    for (const std::uint32_t format : *formats)
                        if (format != kTypeUi1) Fail("samples other than bytes");
                Subimage level = ReadSubimageHeader(file.ReadStream(child),
                                                    static_cast<std::uint32_t>(colour.channels));
                level.number = *number;
                level.colour = colour;
                char dataName[32];
                std::snprintf(dataName, sizeof dataName, "Subimage %04u Data", *number);
                level.dataStream = file.Find(place, dataName);
                if (level.dataStream < 0) Fail("a resolution without its data");
                parts_->levels.push_back(std::move(level));
            }
        }
        std::vector<Subimage>& levels = parts_->levels;
        if (levels.empty()) Fail("no resolutions");
        if (const auto count = properties.U32(kResolutionCount); count && *count != levels.size())
            Fail("the resolution count disagrees");
        std::sort(levels.begin(), levels.end(), [](const Subimage& a, const Subimage& b) {
            return std::int64_t{a.width} * a.height > std::int64_t{b.width} * b.height;
        });
        parts_->colour = levels.front().colour;
        for (const Subimage& level : levels)
            if (!(level.colour == parts_->colour)) Fail("resolutions of different colours");
        // The shared JPEG tables the tiles name.
        for (const Subimage& level : levels)
            for (const Tile& tile : level.tiles) {
                const std::uint32_t table = tile.subtype >> 24;
                if (tile.compression != kJpeg || table == 0 || parts_->jpegTables.count(table))
                    continue;
                const auto blob = properties.Blob(JpegTables(table));
                if (!blob) Fail("a tile names missing JPEG tables");
                parts_->jpegTables[table] = *blob;
            }
    });
}

FlashPixFile::~FlashPixFile() = default;

int FlashPixFile::LevelCount() const {
    return static_cast<int>(parts_->levels.size());
}

FlashPixLevel FlashPixFile::Level(int index) const {
    const Subimage& level = parts_->levels.at(static_cast<std::size_t>(index));
    return {level.width, level.height};
}

FlashPixSpace FlashPixFile::Space() const {
    return parts_->colour.space;
}

bool FlashPixFile::HasOpacity() const {
    return parts_->colour.opacity;
}

int FlashPixFile::OutputBits() const {
    if (parts_->colour.opacity) return 32;
    return parts_->colour.space == FlashPixSpace::Monochrome ? 8 : 24;
}

int FlashPixFile::NearestLevel(std::int32_t boxWidth, std::int32_t boxHeight) const {
    for (int i = LevelCount() - 1; i > 0; --i) {
        const FlashPixLevel level = Level(i);
        if (level.width >= boxWidth || level.height >= boxHeight) return i;
    }
    return 0;
}

void FlashPixFile::Parts::DecodeTile(const Subimage& level, ByteSpan data, std::size_t index,
                                     Bitmap& out, Scratch& scratch) const {
    const Tile& tile = level.tiles[index];
    const auto x0 = static_cast<std::int32_t>(index % level.tilesAcross * level.tileWidth);
    const auto y0 = static_cast<std::int32_t>(index / level.tilesAcross * level.tileHeight);
    const int width =
        std::min<std::int32_t>(static_cast<std::int32_t>(level.tileWidth), level.width - x0);
    const int height =
        std::min<std::int32_t>(static_cast<std::int32_t>(level.tileHeight), level.height - y0);
    const int channels = colour.channels;
    const int outBytes = out.BitsPerPixel() / 8;
    const auto put = [&](int y, const SourcePixels& source) {
        PutRun(colour, source, width,
               out.ScanLine(y0 + y) + static_cast<std::size_t>(x0) * outBytes);
    };
    const auto stored = [&]() -> ByteSpan {
        if (tile.offset > data.size() || tile.size > data.size() - tile.offset)
            Fail("a tile lies outside the data");
        return data.subspan(tile.offset, tile.size);
    };
    constexpr std::array<int, 4> kInOrder{0, 1, 2, 3};
    switch (tile.compression) {
    case kSingleColour: {
        // The colour's channels in the subtype's bytes, the first lowest.
        std::uint8_t pixel[4];
        for (int c = 0; c < 4; ++c) pixel[c] = static_cast<std::uint8_t>(tile.subtype >> (8 * c));
        for (int y = 0; y < height; ++y) put(y, {pixel, 0, kInOrder});
        return;
    }
    case kUncompressed: {
        const ByteSpan bytes = stored();
        const std::size_t rowBytes = std::size_t{level.tileWidth} * channels;
        if (bytes.size() < rowBytes * (height - 1) + std::size_t(width) * channels)
            Fail("an uncompressed tile is cut short");
        for (int y = 0; y < height; ++y) put(y, {bytes.data() + y * rowBytes, channels, kInOrder});
        return;
    }
    case kJpeg: {
        const std::uint32_t table = tile.subtype >> 24;
        const bool converted = (tile.subtype >> 16 & 0xFF) != 0;
        const bool asIs = channels == 3 && !converted;
        const auto tables = jpegTables.find(table);
        BuildJpegStream(stored(), table ? &tables->second : nullptr, asIs, scratch.stream);
        JpegDecoder decoder(scratch.stream);
        if (decoder.Header().components != channels) Fail("a JPEG tile of other channels");
        JpegDecodeOptions options;
        options.maxBytes = std::int64_t{kMaxTileSide} * kMaxTileSide * 4;
        if (channels == 2 || channels == 4) {
            // libjpeg's colour conversions know no opacity: the channels come
            // as stored and the colour ones are converted here.
            decoder.DecodeComponents(options, scratch.components);
            const JpegComponents& decoded = scratch.components;
            if (decoded.width < width || decoded.height < height)
                Fail("a JPEG tile smaller than its place");
            if (channels == 4 && converted) LumaToColour(scratch.components);
            const std::size_t rowBytes = std::size_t(decoded.width) * channels;
            for (int y = 0; y < height; ++y)
                put(y, {decoded.samples.data() + y * rowBytes, channels, kInOrder});
            return;
        }
        options.output = channels == 1 ? JpegOutput::Bits8 : JpegOutput::Bits24;
        decoder.Decode(options, scratch.decoded);
        if (scratch.decoded.Width() < width || scratch.decoded.Height() < height)
            Fail("a JPEG tile smaller than its place");
        // Decoded rows are blue, green, red: the file's channels reversed.
        const SourcePixels order = channels == 1 ? SourcePixels{nullptr, 1, {0, 0, 0, 0}}
                                                 : SourcePixels{nullptr, 3, {2, 1, 0, 0}};
        for (int y = 0; y < height; ++y)
            put(y, {scratch.decoded.ScanLine(y), order.step, order.at});
        return;
    }
    default: Fail("unknown tile compression " + std::to_string(tile.compression));
    }
}

Bitmap FlashPixFile::Decode(int index) const {
    if (index < 0 || index >= LevelCount()) Fail("no resolution " + std::to_string(index));
    const Subimage& level = parts_->levels[static_cast<std::size_t>(index)];
    const int bits = OutputBits();
    CheckPictureBytes(level.width, level.height, bits);
    return Guard([&] {
        const Bytes data = parts_->file.ReadStream(level.dataStream);
        Bitmap out;
        out.Create(level.width, level.height,
                   bits == 8    ? PixelFormat::Bits8
                   : bits == 24 ? PixelFormat::Bits24
                                : PixelFormat::Bits32);
        if (bits == 8) {
            Palette grey(256);
            for (int v = 0; v < 256; ++v)
                grey[v] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v),
                           static_cast<std::uint8_t>(v), 0};
            out.SetPalette(grey);
        }
        out.SetAlpha(bits == 32);
        // The tiles fill distinct parts of the picture, so workers share them freely.
        const std::size_t count = level.tiles.size();
        std::atomic<std::size_t> next{0};
        std::exception_ptr failure;
        std::mutex failureLock;
        const auto work = [&] {
            Scratch scratch;
            try {
                for (std::size_t t = next++; t < count; t = next++)
                    Guard([&] { parts_->DecodeTile(level, data, t, out, scratch); });
            } catch (...) {
                const std::lock_guard lock(failureLock);
                if (!failure) failure = std::current_exception();
                next = count;
            }
        };
        const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
        std::vector<std::thread> helpers;
        try {
            for (std::size_t t = 1; t < std::min(cores, count / 8 + 1); ++t)
                helpers.emplace_back(work);
        } catch (const std::system_error&) {
            // Fewer threads: the ones there are share the tiles.
        }
        work();
        for (std::thread& helper : helpers) helper.join();
        if (failure) std::rethrow_exception(failure);
        return out;
    });
}

PictureHeader ReadFlashPixHeader(const std::filesystem::path& path, const DecodeOptions&) {
    const Bytes bytes = ReadWholeFile(path);
    const FlashPixFile file(bytes);
    const FlashPixLevel largest = file.Level(0);
    return {largest.width, largest.height, file.OutputBits(), 1};
}

DecodedPicture ReadFlashPixPage(const PageSource& source) {
    if (source.page != 1)
        throw EInvalidGraphic(source.path.string() + " has 1 page(s), not page " +
                              std::to_string(source.page));
    const Bytes bytes = ReadWholeFile(source.path);
    const FlashPixFile file(bytes);
    const DecodeOptions& options = source.options;
    const int index = options.fitWidth > 0 && options.fitHeight > 0
                          ? file.NearestLevel(options.fitWidth, options.fitHeight)
                          : 0;
    const FlashPixLevel level = file.Level(index);
    DecodedPicture picture;
    picture.fullWidth = file.Level(0).width;
    picture.fullHeight = file.Level(0).height;
    picture.className = "FlashPix";
    picture.formatName =
        "FlashPix " + std::to_string(level.width) + " x " + std::to_string(level.height);
    picture.bits = file.OutputBits();
    if (options.pixelBudget > 0 && std::int64_t{level.width} * level.height > options.pixelBudget) {
        picture.tooLarge = true;
        return picture;
    }
    picture.pixels = file.Decode(index);
    return picture;
}

} // namespace zv
