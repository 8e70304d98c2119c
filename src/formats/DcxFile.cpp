#include "formats/DcxFile.h"

#include "formats/FormatTable.h"

#include <algorithm>
#include <string>

namespace zv {

namespace {

[[noreturn]] void Corrupt(const std::string& why) {
    throw EDcxError("Corrupt image data: the page table " + why + ".");
}

// The offsets up to the terminating 0.
std::vector<std::uint64_t> ReadTable(ByteReader& reader) {
    std::vector<std::uint64_t> offsets;
    for (;;) {
        if (reader.Remaining() < 4) Corrupt("has no end");
        const std::uint32_t offset = reader.U32LE();
        if (offset == 0) return offsets;
        if (offsets.size() == kDcxMaxPages) Corrupt("has more than 1023 pages");
        offsets.push_back(offset);
    }
}

} // namespace

bool IsDcx(ByteSpan data) {
    return FormatRowOf(FormatId::Dcx).sniff(data);
}

std::vector<ByteSpan> DcxPages(ByteSpan data) {
    if (!IsDcx(data)) Corrupt("is missing");
    ByteReader reader(data);
    reader.Skip(4);
    const std::vector<std::uint64_t> offsets = ReadTable(reader);
    if (offsets.empty()) Corrupt("lists no pages");
    const std::uint64_t firstPossible = reader.Position();
    for (const std::uint64_t offset : offsets)
        if (offset < firstPossible || offset >= data.size())
            Corrupt("has a page offset outside the page data (" + std::to_string(offset) + ")");

    std::vector<std::uint64_t> starts = offsets;
    std::sort(starts.begin(), starts.end());
    std::vector<ByteSpan> pages;
    pages.reserve(offsets.size());
    for (const std::uint64_t offset : offsets) {
        const auto next = std::upper_bound(starts.begin(), starts.end(), offset);
        const std::uint64_t end = next == starts.end() ? data.size() : *next;
        pages.push_back(data.subspan(offset, end - offset));
    }
    return pages;
}

} // namespace zv
