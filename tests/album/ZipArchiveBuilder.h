#pragma once
// Builds zip archives byte by byte for the tests: local headers, data,
// data descriptors, the central directory with ZIP64 fields, and the end
// records, each field settable so that damaged and hostile archives can be
// made as easily as good ones.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zvtest {

struct FixtureEntry {
    std::string name;
    std::string data; // the uncompressed bytes
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
    std::optional<std::string> packed; // made from `data` with the method when absent
    std::uint16_t versionMadeBy = 20;  // host 0 (MS-DOS), version 2.0
    std::uint32_t externalAttributes = 0;
    std::uint16_t dosTime = 0x7BDD;    // 15:30:58
    std::uint16_t dosDate = 0x3A2F;    // 2009-01-15
    bool dataDescriptor = false;       // sizes and CRC after the data, zeros in the local header
    bool zip64 = false;                // sizes and offset in the ZIP64 field of the directory
    std::optional<std::uint32_t> crc;  // stored CRC, when not the true one
    std::optional<std::uint64_t> size; // stored uncompressed size, when not the true one
    std::string extra;                 // more extra fields for the directory record
    std::optional<std::uint64_t> localOffset; // stored local header offset, when not the true one
};

struct FixtureOptions {
    std::string prefix; // bytes in front of the archive (a stub)
    std::string comment;
    bool zip64End = false;              // ZIP64 end record and locator, with full 16/32-bit fields
    std::optional<std::uint16_t> count; // stored entry count, when not the true one
};

std::string BuildZip(const std::vector<FixtureEntry>& entries, const FixtureOptions& options = {});

// Little-endian helpers for patching built archives.
void Put16(std::string& bytes, std::size_t at, std::uint16_t value);
void Put32(std::string& bytes, std::size_t at, std::uint32_t value);
std::string Le16(std::uint16_t value);
std::string Le32(std::uint32_t value);
std::string Le64(std::uint64_t value);

// CRC-32 of bytes, through zlib.
std::uint32_t Crc32(const std::string& data);

// Sample contents: English-like text, random bytes (from a fixed seed), long
// runs of a few values, and a mix of all three.
std::string SampleText(std::size_t size);
std::string SampleRandom(std::size_t size, std::uint32_t seed = 1);
std::string SampleRuns(std::size_t size);
std::string SampleMixed(std::size_t size);

} // namespace zvtest
