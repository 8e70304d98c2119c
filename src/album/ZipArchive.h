#pragma once
// Our zip archive reader: the end of central directory record (searched
// backwards through the room a comment may take), the central directory with
// its ZIP64 sizes and offsets, and each entry's local header and data. Entry
// data is decoded as a stream into a sink, so an entry of any size needs no
// more memory than the decoders' small windows. Every offset, size and count
// is checked against the file before it is used; a damaged or hostile
// archive throws EZipError.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zv {

// What went wrong, so that extraction can tell an archive cut short from a
// damaged entry or one it cannot decode.
enum class ZipFault {
    NotAnArchive,  // no end of central directory record
    BadDirectory,  // the central directory is damaged
    Incomplete,    // data the directory points to lies past the end of the file
    Corrupt,       // an entry's compressed data is invalid or runs out
    UnknownMethod, // a compression method the reader does not decode
    Encrypted,     // the entry is encrypted
    ReadFailed,    // the file could not be opened or read
    WriteFailed,   // the destination folder could not be opened
};

class EZipError : public std::runtime_error {
public:
    EZipError(ZipFault fault, const std::string& message)
        : std::runtime_error(message), fault_(fault) {}
    ZipFault Fault() const { return fault_; }

private:
    ZipFault fault_;
};

// The methods the reader decodes.
enum ZipMethod : std::uint16_t {
    kZipStored = 0,
    kZipShrunk = 1,
    kZipReduced1 = 2,
    kZipReduced4 = 5,
    kZipImploded = 6,
    kZipDeflated = 8,
};

// General purpose flag bits.
constexpr std::uint16_t kZipFlagEncrypted = 0x0001;
constexpr std::uint16_t kZipFlagImplode8K = 0x0002;          // imploded: 8K window
constexpr std::uint16_t kZipFlagImplodeLiteralTree = 0x0004; // imploded: literal tree present
constexpr std::uint16_t kZipFlagDataDescriptor = 0x0008;
constexpr std::uint16_t kZipFlagUtf8 = 0x0800;

struct ZipEntry {
    std::string Name;                // path as stored, "/" between folders, case kept, as UTF-8
    std::string FileName;            // the last part of Name
    std::uint16_t VersionMadeBy = 0; // host system in the high byte
    std::uint16_t Flags = 0;
    std::uint16_t Method = 0;
    std::uint16_t DosTime = 0;
    std::uint16_t DosDate = 0;
    std::uint32_t Crc = 0;
    std::uint64_t Size = 0;       // uncompressed
    std::uint64_t PackedSize = 0; // compressed
    std::uint64_t LocalHeaderOffset = 0;
    std::uint32_t ExternalAttributes = 0;
    std::optional<std::int64_t> ModifiedTime; // UTC seconds from the extended timestamp field

    bool IsEncrypted() const { return (Flags & kZipFlagEncrypted) != 0; }
    bool IsDirectory() const;
    bool IsSymbolicLink() const;
    // The stored permission bits (0..07777) when the entry was made on a Unix
    // host and carries them; nothing otherwise.
    std::optional<std::uint32_t> UnixMode() const;
    // MS-DOS read-only attribute.
    bool IsReadOnly() const { return (ExternalAttributes & 0x01) != 0; }
    bool HasDataDescriptor() const { return (Flags & kZipFlagDataDescriptor) != 0; }
};

// True for the methods the reader decodes.
bool ZipMethodSupported(std::uint16_t method);

// Where the archive's bytes come from: a file held open while the archive is
// read, or bytes in memory (tests and fuzzing).
class ZipSource {
public:
    virtual ~ZipSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads exactly `size` bytes at `offset`; throws EZipError (Incomplete)
    // when they are not all inside the file.
    virtual void ReadAt(std::uint64_t offset, void* into, std::size_t size) const = 0;
};

std::unique_ptr<ZipSource> OpenZipFile(const std::filesystem::path& path);
std::unique_ptr<ZipSource> ZipMemory(std::vector<std::uint8_t> bytes);

// Receives an entry's bytes in order, in pieces of any size.
using ZipSink = std::function<void(const std::uint8_t* data, std::size_t size)>;

class ZipArchive {
public:
    // Reads the central directory; throws EZipError.
    explicit ZipArchive(std::unique_ptr<ZipSource> source);
    static ZipArchive Open(const std::filesystem::path& path);

    int Count() const { return static_cast<int>(entries_.size()); }
    const ZipEntry& Entry(int index) const { return entries_.at(static_cast<std::size_t>(index)); }
    const std::vector<ZipEntry>& Entries() const { return entries_; }
    const std::string& Comment() const { return comment_; }

    // Decodes an entry into the sink, stopping at its declared size, and
    // reports whether the CRC-32 of what was decoded matches the stored one.
    // Throws EZipError: Incomplete when its data lies past the end of the
    // file, Corrupt for invalid or short data, UnknownMethod, Encrypted.
    bool Decode(const ZipEntry& entry, const ZipSink& sink) const;

    // Offset of the entry's compressed data, after its local header.
    std::uint64_t DataOffset(const ZipEntry& entry) const;

private:
    void ReadDirectory();

    std::unique_ptr<ZipSource> source_;
    std::vector<ZipEntry> entries_;
    std::string comment_;
    // Bytes found in front of the archive (a self-extracting stub) that the
    // stored offsets do not count.
    std::uint64_t shift_ = 0;
};

// The message of the error an unsupported method raises.
inline constexpr char kUnknownCompressionMethod[] = "Unknown Compression Method";

} // namespace zv
