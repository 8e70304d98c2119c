#include "platform/WholeFile.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace zv {

WholeFile ReadEntireFile(const std::filesystem::path& path, std::uint64_t largest) {
    WholeFile file;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return file;
    std::ifstream in(path, std::ios::binary);
    if (!in) return file;
    // The size the file claims is only a first guess: files under /proc claim
    // none, and a file may grow while it is read.
    const std::uintmax_t claimed = std::filesystem::file_size(path, error);
    if (!error && claimed > largest) {
        file.status = WholeFileStatus::TooLarge;
        return file;
    }
    std::vector<std::uint8_t>& bytes = file.bytes;
    // First what the file claims, in one piece; then whatever follows.
    std::size_t wanted = error ? 0 : static_cast<std::size_t>(claimed);
    constexpr std::size_t kChunk = 65536;
    for (;;) {
        wanted = std::max(wanted, kChunk);
        const std::size_t had = bytes.size();
        if (wanted > largest - had) wanted = static_cast<std::size_t>(largest - had) + 1;
        bytes.resize(had + wanted);
        in.read(reinterpret_cast<char*>(bytes.data() + had), static_cast<std::streamsize>(wanted));
        bytes.resize(had + static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > largest) {
            bytes.clear();
            file.status = WholeFileStatus::TooLarge;
            return file;
        }
        if (in.bad()) {
            bytes.clear();
            file.status = WholeFileStatus::CannotRead;
            return file;
        }
        if (in.eof() || in.peek() == std::ifstream::traits_type::eof()) break;
        wanted = kChunk;
    }
    file.status = WholeFileStatus::Read;
    return file;
}

} // namespace zv
