#include "library/PhotoCd.h"

#include <sys/stat.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace zv {

namespace fs = std::filesystem;

namespace {

// Fields of the image pack information block, as file offsets.
constexpr std::int64_t kVersionAt = kPcdInfoOffset + 0x07;
constexpr std::int64_t kMediumAt = kPcdInfoOffset + 0x15;
constexpr std::int64_t kProductAt = kPcdInfoOffset + 0x16;        // 20 bytes
constexpr std::int64_t kScannerVendorAt = kPcdInfoOffset + 0x2A;  // 20 bytes
constexpr std::int64_t kScannerProductAt = kPcdInfoOffset + 0x3E; // 16 bytes
constexpr std::int64_t kPhotofinisherAt = kPcdInfoOffset + 0xA5;  // 60 bytes
constexpr std::int64_t kRightsStatusAt = kPcdInfoOffset + 0x14B;  // 1: restrictions apply
constexpr std::int64_t kRightsFileAt = kPcdInfoOffset + 0x14C;    // 12 bytes

constexpr const char* kMedia[] = {
    "color negative",
    "color reversal",
    "color hard copy",
    "thermal hard copy",
    "black and white negative",
    "black and white reversal",
    "black and white hard copy",
    "internegative",
    "synthetic image",
};

// A fixed-width text field: up to the first NUL, control bytes as spaces,
// the upper half read as Latin-1, trimmed.
std::string FieldText(ByteSpan data, std::int64_t offset, int length) {
    std::string text;
    for (int i = 0; i < length; ++i) {
        const std::uint8_t c = data[static_cast<std::size_t>(offset + i)];
        if (c == 0) break;
        if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
            text += ' ';
        } else if (c < 0x80) {
            text += static_cast<char>(c);
        } else {
            text += static_cast<char>(0xC0 | c >> 6);
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool PlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

std::string Lower(std::string text) {
    std::ranges::transform(text, text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    });
    return text;
}

std::string Resolution(int step) {
    return std::to_string(64 << step) + " x " + std::to_string(96 << step);
}

const char* YesNo(bool value) {
    return value ? "Yes" : "No";
}

void PutHeader(std::vector<std::uint8_t>& out, const Bitmap& picture, int bits) {
    PutU32LE(out, 40);
    PutU32LE(out, static_cast<std::uint32_t>(picture.Width()));
    PutU32LE(out, static_cast<std::uint32_t>(picture.Height()));
    PutU16LE(out, 1);
    PutU16LE(out, static_cast<std::uint16_t>(bits));
    PutU32LE(out, 0);
    PutU32LE(out, static_cast<std::uint32_t>(picture.Stride() * picture.Height()));
    PutU32LE(out, 0);
    PutU32LE(out, 0);
    PutU32LE(out, 256); // the colour table is always there
    PutU32LE(out, 0);
}

// The child of folder called name, exactly or else in any case.
fs::path FindChild(const fs::path& folder, const std::string& name) {
    std::error_code error;
    if (fs::exists(folder / name, error)) return folder / name;
    const std::string wanted = Lower(name);
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (Lower(it->path().filename().string()) == wanted) return it->path();
    return folder / name;
}

fs::path MountPoint(fs::path folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return folder;
    while (folder.has_parent_path() && folder.parent_path() != folder) {
        struct stat parent {};
        if (::stat(folder.parent_path().c_str(), &parent) != 0 || parent.st_dev != info.st_dev)
            break;
        folder = folder.parent_path();
    }
    return folder;
}

fs::path DiscRoot(const fs::path& picture) {
    std::error_code error;
    const fs::path folder = fs::absolute(picture, error).lexically_normal().parent_path();
    for (fs::path p = folder; !p.empty(); p = p.parent_path()) {
        if (Lower(p.filename().string()) == "photo_cd") return p.parent_path();
        if (p == p.parent_path()) break;
    }
    return MountPoint(folder);
}

std::vector<std::uint8_t> ReadPackFile(const std::string& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    std::ifstream file(path, std::ios::binary);
    if (error || !file) throw EPhotoCdError("Cannot open Photo CD file " + path);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(
        std::min<std::uintmax_t>(size, static_cast<std::uintmax_t>(kPcdReadLimit))));
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (file.gcount() != static_cast<std::streamsize>(bytes.size()))
        throw EPhotoCdError("Cannot read Photo CD file " + path);
    return bytes;
}

} // namespace

struct PhotoCdLibrary::Pack {
    std::vector<std::uint8_t> bytes;
    PcdLayout layout;
    int step = 0;
    int format = kPcdFormatRgb24;
};

PhotoCdLibrary::PhotoCdLibrary() = default;
PhotoCdLibrary::~PhotoCdLibrary() = default;

PcdHandle PhotoCdLibrary::Add(std::vector<std::uint8_t> bytes) {
    auto pack = std::make_unique<Pack>();
    pack->layout = ReadPcdLayout(bytes);
    pack->step = std::min(kPcdDefaultStep, pack->layout.stepCount - 1);
    pack->bytes = std::move(bytes);
    const PcdHandle handle = nextHandle_++;
    packs_.emplace(handle, std::move(pack));
    return handle;
}

void PhotoCdLibrary::PCDopen(const std::string& path, PcdHandle& handle) {
    handle = Add(ReadPackFile(path));
}

void PhotoCdLibrary::PCDopenMem(ByteSpan data, PcdHandle& handle) {
    const std::size_t kept = std::min(data.size(), static_cast<std::size_t>(kPcdReadLimit));
    handle = Add(
        std::vector<std::uint8_t>(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(kept)));
}

void PhotoCdLibrary::PCDclose(PcdHandle handle) {
    packs_.erase(handle);
}

PhotoCdLibrary::Pack& PhotoCdLibrary::Find(PcdHandle handle) {
    const auto it = packs_.find(handle);
    if (it == packs_.end()) throw EPhotoCdError("Invalid Photo CD handle");
    return *it->second;
}

const PhotoCdLibrary::Pack& PhotoCdLibrary::Find(PcdHandle handle) const {
    return const_cast<PhotoCdLibrary*>(this)->Find(handle);
}

PcdAttributes PhotoCdLibrary::PCDgetAttributes(PcdHandle handle) const {
    Find(handle);
    return {};
}

void PhotoCdLibrary::PCDgetCount(PcdHandle handle, std::uint16_t& mask,
                                 std::uint16_t& count) const {
    const Pack& pack = Find(handle);
    count = static_cast<std::uint16_t>(pack.layout.stepCount);
    mask = static_cast<std::uint16_t>((1u << count) - 1);
}

void PhotoCdLibrary::PCDsetResolution(PcdHandle handle, int step) {
    Pack& pack = Find(handle);
    if (step < 0 || step >= pack.layout.stepCount)
        throw EPhotoCdError("Photo CD resolution " + std::to_string(step) + " is not in this file");
    pack.step = step;
}

int PhotoCdLibrary::PCDgetResolution(PcdHandle handle) const {
    return Find(handle).step;
}

PcdSize PhotoCdLibrary::PCDgetSize(PcdHandle handle) const {
    const Pack& pack = Find(handle);
    const PcdDimensions d = PcdStepDimensions(pack.step, pack.layout.rotation);
    return {static_cast<std::uint16_t>(d.height), static_cast<std::uint16_t>(d.width)};
}

PcdImageInfo PhotoCdLibrary::PCDreadImageInfo(PcdHandle handle) const {
    const ByteSpan data = Find(handle).bytes;
    const auto at = [&](std::int64_t offset) { return data[static_cast<std::size_t>(offset)]; };
    PcdImageInfo info;
    info.version = at(kVersionAt);
    const std::uint8_t medium = at(kMediumAt);
    info.mediaType[0] = medium < std::size(kMedia) ? kMedia[medium] : "unknown";
    info.mediaType[1] = FieldText(data, kProductAt, 20);
    const std::string vendor = FieldText(data, kScannerVendorAt, 20);
    const std::string product = FieldText(data, kScannerProductAt, 16);
    info.scanner = vendor.empty() || product.empty() ? vendor + product : vendor + " " + product;
    if (at(kPhotofinisherAt) != 0xFF) {
        info.photofinisher = FieldText(data, kPhotofinisherAt, 60);
        info.hasPhotofinisher = !info.photofinisher.empty();
    }
    info.rights = at(kRightsStatusAt) == 1;
    if (info.rights) {
        const std::string name = FieldText(data, kRightsFileAt, 12);
        if (PlainFileName(name)) info.rightsFile = name;
    }
    return info;
}

void PhotoCdLibrary::PCDsetFormat(PcdHandle handle, int format) {
    Pack& pack = Find(handle);
    if (format != kPcdFormatRgb24 && format != kPcdFormatPalette8)
        throw EPhotoCdError("Unknown Photo CD output format " + std::to_string(format));
    pack.format = format;
}

std::vector<std::uint8_t> PhotoCdLibrary::PCDloadImage(PcdHandle handle) const {
    const Pack& pack = Find(handle);
    Bitmap picture = DecodePcdStep(pack.bytes, pack.layout, pack.step);
    const bool palette = pack.format == kPcdFormatPalette8;
    if (palette) picture.SetPixelFormat(PixelFormat::Bits8);
    std::vector<std::uint8_t> block;
    block.reserve(
        static_cast<std::size_t>(40 + kPcdColourTableSize + picture.Stride() * picture.Height()));
    PutHeader(block, picture, palette ? 8 : 24);
    block.resize(block.size() + static_cast<std::size_t>(kPcdColourTableSize));
    if (palette)
        std::memcpy(block.data() + 40, picture.Colours().data(), 4 * picture.Colours().size());
    for (std::int32_t y = picture.Height() - 1; y >= 0; --y) {
        const std::uint8_t* row = picture.ScanLine(y);
        block.insert(block.end(), row, row + picture.Stride());
    }
    return block;
}

void PhotoCdLibrary::PCDfreeBitmap(std::vector<std::uint8_t>& block) {
    std::vector<std::uint8_t>().swap(block);
}

int AllowedPcdSteps(int count, std::uint16_t mask, std::uint8_t encryptionMask) {
    if (encryptionMask == 0) return count;
    const int open = std::bit_width(static_cast<unsigned>(mask & ~encryptionMask & 0xFFFF));
    return std::min(open, count);
}

int ChoosePcdStep(int wanted, int count, std::uint16_t mask, std::uint8_t encryptionMask) {
    // The largest allowed step is one below the allowed count; stepping onto
    // the count itself would pick the first encrypted resolution.
    const int largest = std::min(count, AllowedPcdSteps(count, mask, encryptionMask)) - 1;
    return std::clamp(wanted, 0, std::max(largest, 0));
}

std::string PcdInfoText(const PcdInfoFacts& facts) {
    std::string text = "Orientation: ";
    text += facts.size.height < facts.size.width ? "Landscape" : "Portrait";
    text += "\n\n";
    text += "Maximum res: " + Resolution(std::max(facts.count - 1, 0)) + "\n";
    text += "Allowed res: " + Resolution(std::max(facts.allowed - 1, 0)) + "\n";
    text += "Current res: " + Resolution(facts.step) + "\n";
    text += std::string("\nEncrypted: ") + YesNo(facts.attributes.encryptionMask != 0);
    text += std::string("   Watermark: ") + YesNo(facts.attributes.watermark != 0) + "\n";
    const PcdImageInfo& info = facts.info;
    if (info.version < 9) {
        text += "Media Type: " + info.mediaType[0];
        if (!info.mediaType[1].empty()) text += ", " + info.mediaType[1];
        text += "\nScanner: " + info.scanner + "\n";
        if (info.hasPhotofinisher) text += "Photofinisher: " + info.photofinisher + "\n";
    }
    if (facts.offerRights) text += "\nRead Copyright file?";
    return text;
}

std::string PcdRightsFile(const std::string& picturePath, const std::string& name) {
    if (!PlainFileName(name)) return {};
    const fs::path rights = FindChild(FindChild(DiscRoot(picturePath), "photo_cd"), "rights");
    const fs::path file = FindChild(rights, name);
    std::error_code error;
    return fs::is_regular_file(file, error) ? file.string() : std::string();
}

namespace {

class OpenPack {
public:
    OpenPack(PhotoCdLibrary& library, const std::string& path) : library_(library) {
        library_.PCDopen(path, handle_);
    }
    ~OpenPack() { library_.PCDclose(handle_); }
    OpenPack(const OpenPack&) = delete;
    OpenPack& operator=(const OpenPack&) = delete;
    PcdHandle Handle() const { return handle_; }

private:
    PhotoCdLibrary& library_;
    PcdHandle handle_ = 0;
};

struct ChosenStep {
    PcdAttributes attributes;
    int count = 0;
    int allowed = 0;
    int step = 0;
};

ChosenStep SelectStep(PhotoCdLibrary& library, PcdHandle handle, int wanted) {
    ChosenStep chosen;
    chosen.attributes = library.PCDgetAttributes(handle);
    std::uint16_t mask = 0;
    std::uint16_t count = 0;
    library.PCDgetCount(handle, mask, count);
    chosen.count = count;
    chosen.allowed = AllowedPcdSteps(count, mask, chosen.attributes.encryptionMask);
    chosen.step = ChoosePcdStep(wanted, count, mask, chosen.attributes.encryptionMask);
    library.PCDsetResolution(handle, chosen.step);
    return chosen;
}

// The colour table goes and the rows move up to the header, which then
// declares no colour table so the block reads as it now stands.
std::vector<std::uint8_t> WithoutColourTable(std::vector<std::uint8_t> block) {
    const auto table = block.begin() + 40;
    block.erase(table, table + kPcdColourTableSize);
    std::fill(block.begin() + 32, block.begin() + 36, std::uint8_t{0});
    return block;
}

} // namespace

PcdImport ImportPCD(PhotoCdLibrary& library, const std::string& path, int wantedStep,
                    bool slideshow) {
    const OpenPack pack(library, path);
    const PcdHandle handle = pack.Handle();
    const ChosenStep chosen = SelectStep(library, handle, wantedStep);
    const PcdSize size = library.PCDgetSize(handle);
    PcdImport result;
    result.step = chosen.step;
    result.width = size.width;
    result.height = size.height;
    if (!slideshow) {
        PcdInfoFacts facts{size,        chosen.count,      chosen.allowed,
                           chosen.step, chosen.attributes, library.PCDreadImageInfo(handle)};
        if (facts.info.rights) result.rightsFile = PcdRightsFile(path, facts.info.rightsFile);
        facts.offerRights = !result.rightsFile.empty();
        result.info = PcdInfoText(facts);
    }
    library.PCDsetFormat(handle, kPcdFormatRgb24);
    result.packedDib = WithoutColourTable(library.PCDloadImage(handle));
    return result;
}

std::optional<PcdSize> ProbePCD(PhotoCdLibrary& library, const std::string& path, int wantedStep) {
    try {
        const OpenPack pack(library, path);
        SelectStep(library, pack.Handle(), wantedStep);
        return library.PCDgetSize(pack.Handle());
    } catch (const EPhotoCdError&) {
        return std::nullopt;
    }
}

} // namespace zv
