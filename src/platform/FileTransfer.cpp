#include "platform/FileTransfer.h"

#include "platform/RenameNoReplace.h"

#include <cerrno>
#include <cstring>
#include <system_error>

namespace zv {

namespace {

std::string Failure(const std::string& what, const std::filesystem::path& path, int error) {
    return what + " " + path.string() + ": " + std::strerror(error);
}

// A copy beside `to` under a temporary name, renamed to `to` when whole.
std::string CopyIntoPlace(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::filesystem::path temporary = to;
    temporary += ".zvcopy";
    std::error_code error;
    std::filesystem::remove(temporary, error);
    if (!std::filesystem::copy_file(from, temporary, std::filesystem::copy_options::none, error))
        return "Cannot copy " + from.string() + " to " + to.string() + ": " + error.message();
    if (!RenameNoReplace(temporary, to)) {
        const int saved = errno;
        std::filesystem::remove(temporary, error);
        return Failure("Cannot create", to, saved);
    }
    return {};
}

} // namespace

std::string TransferFile(const std::filesystem::path& from, const std::filesystem::path& to,
                         TransferMode mode) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(from, error)) return Failure("Cannot read", from, ENOENT);
    if (std::filesystem::exists(std::filesystem::symlink_status(to, error)))
        return Failure("Cannot create", to, EEXIST);
    if (mode == TransferMode::Copy) return CopyIntoPlace(from, to);
    if (RenameNoReplace(from, to)) return {};
    if (errno != EXDEV) return Failure("Cannot move", from, errno);
    if (std::string copied = CopyIntoPlace(from, to); !copied.empty()) return copied;
    if (!std::filesystem::remove(from, error)) {
        std::filesystem::remove(to, error);
        return "Cannot remove " + from.string() + ": " + error.message();
    }
    return {};
}

} // namespace zv
