#include "ZipArchiveBuilder.h"

#include "ZipLegacyEncoders.h"

#include <zlib.h>

#include <random>

namespace zvtest {

void Put16(std::string& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
}

std::string Le16(std::uint16_t value) {
    std::string bytes(2, '\0');
    Put16(bytes, 0, value);
    return bytes;
}

std::string Le32(std::uint32_t value) {
    std::string bytes(4, '\0');
    Put32(bytes, 0, value);
    return bytes;
}

std::string Le64(std::uint64_t value) {
    return Le32(static_cast<std::uint32_t>(value)) + Le32(static_cast<std::uint32_t>(value >> 32));
}

std::uint32_t Crc32(const std::string& data) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string BuildZip(const std::vector<FixtureEntry>& entries, const FixtureOptions& options) {
    std::string archive = options.prefix;
    std::string directory;
    for (const FixtureEntry& entry : entries) {
        const std::string packed =
            entry.packed ? *entry.packed : PackWith(entry.method, entry.flags, entry.data);
        const std::uint32_t crc = entry.crc ? *entry.crc : Crc32(entry.data);
        const std::uint64_t size = entry.size ? *entry.size : entry.data.size();
        const std::uint64_t offset = archive.size() - options.prefix.size();
        const std::uint16_t flags = entry.flags | (entry.dataDescriptor ? 0x0008 : 0);
        const std::uint16_t needed = entry.zip64 ? 45 : 20;

        archive += Le32(0x04034b50) + Le16(needed) + Le16(flags) + Le16(entry.method) +
                   Le16(entry.dosTime) + Le16(entry.dosDate);
        if (entry.dataDescriptor)
            archive += Le32(0) + Le32(0) + Le32(0);
        else if (entry.zip64)
            archive += Le32(crc) + Le32(0xFFFFFFFF) + Le32(0xFFFFFFFF);
        else
            archive += Le32(crc) + Le32(static_cast<std::uint32_t>(packed.size())) +
                       Le32(static_cast<std::uint32_t>(size));
        const std::string localExtra = entry.zip64 && !entry.dataDescriptor
                                           ? Le16(1) + Le16(16) + Le64(size) + Le64(packed.size())
                                           : "";
        archive += Le16(static_cast<std::uint16_t>(entry.name.size())) +
                   Le16(static_cast<std::uint16_t>(localExtra.size())) + entry.name + localExtra;
        archive += packed;
        if (entry.dataDescriptor) {
            archive += Le32(0x08074b50) + Le32(crc);
            if (entry.zip64)
                archive += Le64(packed.size()) + Le64(size);
            else
                archive += Le32(static_cast<std::uint32_t>(packed.size())) +
                           Le32(static_cast<std::uint32_t>(size));
        }

        const std::uint64_t storedOffset = entry.localOffset ? *entry.localOffset : offset;
        std::string extra;
        if (entry.zip64)
            extra = Le16(1) + Le16(24) + Le64(size) + Le64(packed.size()) + Le64(storedOffset);
        extra += entry.extra;
        directory += Le32(0x02014b50) + Le16(entry.versionMadeBy) + Le16(needed) + Le16(flags) +
                     Le16(entry.method) + Le16(entry.dosTime) + Le16(entry.dosDate) + Le32(crc);
        if (entry.zip64)
            directory += Le32(0xFFFFFFFF) + Le32(0xFFFFFFFF);
        else
            directory += Le32(static_cast<std::uint32_t>(packed.size())) +
                         Le32(static_cast<std::uint32_t>(size));
        directory += Le16(static_cast<std::uint16_t>(entry.name.size())) +
                     Le16(static_cast<std::uint16_t>(extra.size())) + Le16(0) + Le16(0) + Le16(0) +
                     Le32(entry.externalAttributes) +
                     Le32(entry.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(storedOffset)) +
                     entry.name + extra;
    }

    const std::uint64_t directoryOffset = archive.size() - options.prefix.size();
    archive += directory;
    const std::uint64_t count = options.count ? *options.count : entries.size();
    if (options.zip64End) {
        const std::uint64_t recordOffset = archive.size() - options.prefix.size();
        archive += Le32(0x06064b50) + Le64(44) + Le16(45) + Le16(45) + Le32(0) + Le32(0) +
                   Le64(count) + Le64(count) + Le64(directory.size()) + Le64(directoryOffset);
        archive += Le32(0x07064b50) + Le32(0) + Le64(recordOffset) + Le32(1);
        archive += Le32(0x06054b50) + Le16(0) + Le16(0) + Le16(0xFFFF) + Le16(0xFFFF) +
                   Le32(0xFFFFFFFF) + Le32(0xFFFFFFFF);
    } else {
        archive += Le32(0x06054b50) + Le16(0) + Le16(0) + Le16(static_cast<std::uint16_t>(count)) +
                   Le16(static_cast<std::uint16_t>(count)) +
                   Le32(static_cast<std::uint32_t>(directory.size())) +
                   Le32(static_cast<std::uint32_t>(directoryOffset));
    }
    archive += Le16(static_cast<std::uint16_t>(options.comment.size())) + options.comment;
    return archive;
}

std::string SampleText(std::size_t size) {
    static const char* const words[] = {
        "the",    "picture", "album", "of",    "zip",    "slide", "and",   "viewer", "a", "colour",
        "folder", "is",      "in",    "light", "Summer", "1998",  "trip,", "night.", "\n"};
    std::mt19937 random(7);
    std::string text;
    while (text.size() < size) {
        text += words[random() % (sizeof words / sizeof words[0])];
        text += ' ';
    }
    text.resize(size);
    return text;
}

std::string SampleRandom(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

std::string SampleRuns(std::size_t size) {
    std::mt19937 random(3);
    std::string bytes;
    while (bytes.size() < size) {
        const char values[] = {'\0', '\x90', '\xFF', 'a'};
        bytes.append(1 + random() % 700, values[random() % 4]);
    }
    bytes.resize(size);
    return bytes;
}

std::string SampleMixed(std::size_t size) {
    std::string bytes;
    std::uint32_t seed = 11;
    while (bytes.size() < size) {
        bytes += SampleText(3000);
        bytes += SampleRandom(500, seed++);
        bytes += SampleRuns(1500);
    }
    bytes.resize(size);
    return bytes;
}

} // namespace zvtest
