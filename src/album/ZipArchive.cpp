#include "album/ZipArchive.h"

#include "album/ZipExplode.h"
#include "album/ZipInflate.h"
#include "album/ZipStreams.h"
#include "album/ZipUnreduce.h"
#include "album/ZipUnshrink.h"
#include "platform/LittleEndian.h"
#include "platform/TextEncoding.h"
#include "platform/linux/PosixFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace zv {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;

constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kMaxComment = 65535;

constexpr std::uint16_t kZip64Field = 0x0001;
constexpr std::uint16_t kTimestampField = 0x5455;

// Host systems whose entries carry Unix permission and type bits in the high
// half of the external attributes.
constexpr int kHostUnix = 3;
constexpr int kHostMac = 19;

constexpr std::uint32_t kTypeMask = 0170000;
constexpr std::uint32_t kTypeLink = 0120000;
constexpr std::uint32_t kTypeFolder = 0040000;

[[noreturn]] void BadDirectory() {
    throw EZipError(ZipFault::BadDirectory, "The zip directory is damaged.");
}

[[noreturn]] void Incomplete() {
    throw EZipError(ZipFault::Incomplete, "The archive is incomplete.");
}

// Little-endian fields of a record held in memory; reading past its end
// means the directory is damaged.
class Fields {
public:
    Fields(const std::uint8_t* data, std::size_t size) : at_(data), end_(data + size) {}

    std::uint8_t U8() { return *Take(1); }
    std::uint16_t U16() { return GetLittle16(Take(2)); }
    std::uint32_t U32() { return GetLittle32(Take(4)); }
    std::uint64_t U64() {
        const std::uint64_t low = U32();
        return low | std::uint64_t{U32()} << 32;
    }
    const std::uint8_t* Take(std::size_t count) {
        if (count > static_cast<std::size_t>(end_ - at_)) BadDirectory();
        const std::uint8_t* p = at_;
        at_ += count;
        return p;
    }
    std::size_t Left() const { return static_cast<std::size_t>(end_ - at_); }

private:
    const std::uint8_t* at_;
    const std::uint8_t* end_;
};

class FileSource : public ZipSource {
public:
    FileSource(UniqueFd fd, std::uint64_t size) : fd_(std::move(fd)), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    void ReadAt(std::uint64_t offset, void* into, std::size_t size) const override {
        if (offset > size_ || size > size_ - offset) Incomplete();
        auto* out = static_cast<std::uint8_t*>(into);
        while (size > 0) {
            const ssize_t n = ::pread(fd_.Get(), out, size, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0)
                throw EZipError(ZipFault::ReadFailed,
                                "The archive cannot be read (" + ErrorText(errno) + ").");
            if (n == 0) Incomplete(); // the file shrank while it was read
            out += n;
            offset += static_cast<std::uint64_t>(n);
            size -= static_cast<std::size_t>(n);
        }
    }

private:
    UniqueFd fd_;
    std::uint64_t size_;
};

class MemorySource : public ZipSource {
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    void ReadAt(std::uint64_t offset, void* into, std::size_t size) const override {
        if (offset > bytes_.size() || size > bytes_.size() - offset) Incomplete();
        if (size > 0) std::memcpy(into, bytes_.data() + offset, size);
    }

private:
    std::vector<std::uint8_t> bytes_;
};

// Code page 437, the code page of names stored without the UTF-8 flag, for
// the bytes 0x80..0xFF.
constexpr const char* kCp437[128] = {
    "Ç", "ü", "é", "â", "ä", "à", "å", "ç", "ê", "ë", "è", "ï", "î", "ì", "Ä", "Å",
    "É", "æ", "Æ", "ô", "ö", "ò", "û", "ù", "ÿ", "Ö", "Ü", "¢", "£", "¥", "₧", "ƒ",
    "á", "í", "ó", "ú", "ñ", "Ñ", "ª", "º", "¿", "⌐", "¬", "½", "¼", "¡", "«", "»",
    "░", "▒", "▓", "│", "┤", "╡", "╢", "╖", "╕", "╣", "║", "╗", "╝", "╜", "╛", "┐",
    "└", "┴", "┬", "├", "─", "┼", "╞", "╟", "╚", "╔", "╩", "╦", "╠", "═", "╬", "╧",
    "╨", "╤", "╥", "╙", "╘", "╒", "╓", "╫", "╪", "┘", "┌", "█", "▄", "▌", "▐", "▀",
    "α", "ß", "Γ", "π", "Σ", "σ", "µ", "τ", "Φ", "Θ", "Ω", "δ", "∞", "φ", "ε", "∩",
    "≡", "±", "≥", "≤", "⌠", "⌡", "÷", "≈", "°", "∙", "·", "√", "ⁿ", "²", "■", "\u00A0",
};

// Names flagged UTF-8, and unflagged names that are valid UTF-8 (as many
// tools write them), are kept; others are taken as code page 437.
std::string NameText(const std::string& raw, std::uint16_t flags) {
    if ((flags & kZipFlagUtf8) != 0 || IsUtf8(raw)) return raw;
    std::string text;
    for (char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            text += c;
        else
            text += kCp437[byte - 0x80];
    }
    return text;
}

std::string LastPart(const std::string& name) {
    const std::size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

} // namespace

bool ZipEntry::IsDirectory() const {
    if (!Name.empty() && (Name.back() == '/' || Name.back() == '\\')) return true;
    if (const auto host = VersionMadeBy >> 8; host == kHostUnix || host == kHostMac) {
        const std::uint32_t type = (ExternalAttributes >> 16) & kTypeMask;
        if (type != 0) return type == kTypeFolder;
    }
    return (ExternalAttributes & 0x10) != 0 && Size == 0;
}

bool ZipEntry::IsSymbolicLink() const {
    const int host = VersionMadeBy >> 8;
    return (host == kHostUnix || host == kHostMac) &&
           ((ExternalAttributes >> 16) & kTypeMask) == kTypeLink;
}

std::optional<std::uint32_t> ZipEntry::UnixMode() const {
    const int host = VersionMadeBy >> 8;
    const std::uint32_t mode = ExternalAttributes >> 16;
    if ((host != kHostUnix && host != kHostMac) || mode == 0) return std::nullopt;
    return mode & 07777;
}

bool ZipMethodSupported(std::uint16_t method) {
    return method == kZipStored || method == kZipShrunk ||
           (method >= kZipReduced1 && method <= kZipReduced4) || method == kZipImploded ||
           method == kZipDeflated;
}

std::unique_ptr<ZipSource> OpenZipFile(const std::filesystem::path& path) {
    UniqueFd fd = OpenFile(path, O_RDONLY | O_CLOEXEC);
    if (!fd.Valid())
        throw EZipError(ZipFault::ReadFailed,
                        "Cannot open " + path.string() + " (" + ErrorText(errno) + ").");
    struct stat status {};
    if (::fstat(fd.Get(), &status) != 0 || !S_ISREG(status.st_mode))
        throw EZipError(ZipFault::ReadFailed, "Cannot open " + path.string() + " (not a file).");
    return std::make_unique<FileSource>(std::move(fd), static_cast<std::uint64_t>(status.st_size));
}

std::unique_ptr<ZipSource> ZipMemory(std::vector<std::uint8_t> bytes) {
    return std::make_unique<MemorySource>(std::move(bytes));
}

ZipArchive::ZipArchive(std::unique_ptr<ZipSource> source) : source_(std::move(source)) {
    ReadDirectory();
}

ZipArchive ZipArchive::Open(const std::filesystem::path& path) {
    return ZipArchive(OpenZipFile(path));
}

void ZipArchive::ReadDirectory() {
    const std::uint64_t fileSize = source_->Size();
    if (fileSize < kEndSize)
        throw EZipError(ZipFault::NotAnArchive, "The file is not a zip archive.");

    // The end record sits in the last 22 bytes plus the room of its comment.
    const std::size_t tailSize =
        static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndSize + kMaxComment));
    const std::uint64_t tailStart = fileSize - tailSize;
    std::vector<std::uint8_t> tail(tailSize);
    source_->ReadAt(tailStart, tail.data(), tailSize);
    std::size_t at = tailSize - kEndSize + 1;
    bool found = false;
    while (at-- > 0) {
        if (GetLittle32(&tail[at]) != kEndSignature) continue;
        const std::size_t commentSize = GetLittle16(tail.data() + at + 20);
        if (at + kEndSize + commentSize <= tailSize) {
            found = true;
            break;
        }
    }
    if (!found) throw EZipError(ZipFault::NotAnArchive, "The file is not a zip archive.");

    const std::uint64_t endOffset = tailStart + at;
    Fields end(&tail[at + 4], kEndSize - 4);
    std::uint32_t disk = end.U16();
    std::uint32_t directoryDisk = end.U16();
    std::uint64_t diskEntries = end.U16();
    std::uint64_t count = end.U16();
    std::uint64_t directorySize = end.U32();
    std::uint64_t directoryOffset = end.U32();
    const std::size_t commentSize = end.U16();
    comment_.assign(reinterpret_cast<const char*>(&tail[at + kEndSize]), commentSize);

    // A ZIP64 end record, found through its locator just before the end
    // record, holds the 64-bit counts, size and offset.
    std::uint64_t directoryEnd = endOffset;
    if (endOffset >= kZip64LocatorSize + kZip64EndSize) {
        std::array<std::uint8_t, kZip64LocatorSize> locator;
        source_->ReadAt(endOffset - kZip64LocatorSize, locator.data(), locator.size());
        if (GetLittle32(locator.data()) == kZip64LocatorSignature) {
            Fields fields(locator.data() + 4, locator.size() - 4);
            const std::uint32_t recordDisk = fields.U32();
            std::uint64_t recordOffset = fields.U64();
            const std::uint32_t disks = fields.U32();
            if (recordDisk != 0 || disks > 1)
                throw EZipError(ZipFault::Incomplete, "The archive spans several disks.");
            const std::uint64_t expected = endOffset - kZip64LocatorSize - kZip64EndSize;
            std::array<std::uint8_t, kZip64EndSize> record;
            bool valid = false;
            for (std::uint64_t offset : {recordOffset, expected}) {
                if (offset > expected) continue;
                source_->ReadAt(offset, record.data(), record.size());
                if (GetLittle32(record.data()) == kZip64EndSignature) {
                    recordOffset = offset;
                    valid = true;
                    break;
                }
            }
            if (!valid) BadDirectory();
            Fields zip64(record.data() + 4, record.size() - 4);
            zip64.U64(); // size of the record
            zip64.U16(); // version made by
            zip64.U16(); // version needed
            disk = zip64.U32();
            directoryDisk = zip64.U32();
            diskEntries = zip64.U64();
            count = zip64.U64();
            directorySize = zip64.U64();
            directoryOffset = zip64.U64();
            directoryEnd = recordOffset;
        }
    }
    if (disk != 0 || directoryDisk != 0 || diskEntries != count)
        throw EZipError(ZipFault::Incomplete, "The archive spans several disks.");

    // The directory ends where the end records begin. When its stored offset
    // does not lead there, bytes were put in front of the archive (a
    // self-extracting stub) and every stored offset is short by as many.
    if (directorySize > directoryEnd) BadDirectory();
    const std::uint64_t directoryStart = directoryEnd - directorySize;
    if (directoryOffset > directoryStart) Incomplete();
    shift_ = 0;
    if (directoryOffset != directoryStart && directorySize >= 4) {
        std::array<std::uint8_t, 4> signature;
        source_->ReadAt(directoryOffset, signature.data(), signature.size());
        if (GetLittle32(signature.data()) != kCentralSignature)
            shift_ = directoryStart - directoryOffset;
    }
    const std::uint64_t start = directoryOffset + shift_;
    if (count > directorySize / kCentralSize) BadDirectory();

    std::vector<std::uint8_t> directory(static_cast<std::size_t>(directorySize));
    source_->ReadAt(start, directory.data(), directory.size());
    Fields fields(directory.data(), directory.size());
    entries_.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t n = 0; n < count; ++n) {
        if (fields.U32() != kCentralSignature) BadDirectory();
        ZipEntry entry;
        entry.VersionMadeBy = fields.U16();
        fields.U16(); // version needed to extract
        entry.Flags = fields.U16();
        entry.Method = fields.U16();
        entry.DosTime = fields.U16();
        entry.DosDate = fields.U16();
        entry.Crc = fields.U32();
        entry.PackedSize = fields.U32();
        entry.Size = fields.U32();
        const std::size_t nameSize = fields.U16();
        const std::size_t extraSize = fields.U16();
        const std::size_t commentLength = fields.U16();
        std::uint32_t startDisk = fields.U16();
        fields.U16(); // internal attributes
        entry.ExternalAttributes = fields.U32();
        entry.LocalHeaderOffset = fields.U32();
        const std::uint8_t* name = fields.Take(nameSize);
        Fields extra(fields.Take(extraSize), extraSize);
        fields.Take(commentLength);

        while (extra.Left() >= 4) {
            const std::uint16_t id = extra.U16();
            const std::size_t size = extra.U16();
            Fields field(extra.Take(size), size);
            if (id == kZip64Field) {
                // Only the values whose 32-bit field is full are here, in this order.
                if (entry.Size == 0xFFFFFFFF) entry.Size = field.U64();
                if (entry.PackedSize == 0xFFFFFFFF) entry.PackedSize = field.U64();
                if (entry.LocalHeaderOffset == 0xFFFFFFFF) entry.LocalHeaderOffset = field.U64();
                if (startDisk == 0xFFFF) startDisk = field.U32();
            } else if (id == kTimestampField && size >= 5) {
                if ((field.U8() & 0x01) != 0)
                    entry.ModifiedTime = static_cast<std::int32_t>(field.U32());
            }
        }
        if (startDisk != 0)
            throw EZipError(ZipFault::Incomplete, "The archive spans several disks.");

        entry.Name =
            NameText(std::string(reinterpret_cast<const char*>(name), nameSize), entry.Flags);
        entry.FileName = LastPart(entry.Name);
        entries_.push_back(std::move(entry));
    }
}

std::uint64_t ZipArchive::DataOffset(const ZipEntry& entry) const {
    const std::uint64_t fileSize = source_->Size();
    if (entry.LocalHeaderOffset > fileSize - shift_) Incomplete();
    const std::uint64_t offset = entry.LocalHeaderOffset + shift_;
    if (fileSize - offset < kLocalSize) Incomplete();
    std::array<std::uint8_t, kLocalSize> header;
    source_->ReadAt(offset, header.data(), header.size());
    if (GetLittle32(header.data()) != kLocalSignature)
        throw EZipError(ZipFault::Corrupt, "The local header of " + entry.Name + " is damaged.");
    const std::uint64_t nameSize = GetLittle16(header.data() + 26);
    const std::uint64_t extraSize = GetLittle16(header.data() + 28);
    const std::uint64_t data = offset + kLocalSize + nameSize + extraSize;
    if (data > fileSize) Incomplete();
    return data;
}

bool ZipArchive::Decode(const ZipEntry& entry, const ZipSink& sink) const {
    if (entry.IsEncrypted()) throw EZipError(ZipFault::Encrypted, "The entry is encrypted.");
    if (!ZipMethodSupported(entry.Method))
        throw EZipError(ZipFault::UnknownMethod, kUnknownCompressionMethod);
    const std::uint64_t offset = DataOffset(entry);
    if (entry.PackedSize > source_->Size() - offset) Incomplete();

    ZipInput in(*source_, offset, entry.PackedSize);
    ZipOutput out(entry.Size, sink);
    switch (entry.Method) {
    case kZipStored: {
        std::array<std::uint8_t, 65536> block;
        while (!out.Full()) {
            const std::size_t count = in.Read(block.data(), block.size());
            if (count == 0)
                throw EZipError(ZipFault::Corrupt, "The compressed data ends too soon.");
            out.Write(block.data(), count);
        }
        break;
    }
    case kZipShrunk: ZipUnshrink(in, out); break;
    case kZipImploded:
        ZipExplode(in, out, (entry.Flags & kZipFlagImplode8K) != 0,
                   (entry.Flags & kZipFlagImplodeLiteralTree) != 0);
        break;
    case kZipDeflated: ZipInflate(in, out); break;
    default: // reduced, factor 1..4
        ZipUnreduce(in, out, entry.Method - kZipReduced1 + 1);
        break;
    }
    return out.Finish() == entry.Crc;
}

} // namespace zv
