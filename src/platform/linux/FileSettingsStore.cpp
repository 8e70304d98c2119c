#include "platform/linux/FileSettingsStore.h"

#include "platform/linux/AtomicFile.h"
#include "platform/linux/PosixFile.h"

#include <cerrno>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zv {

namespace fs = std::filesystem;

namespace {

// Value names are the program's own fixed names; anything that could reach
// outside the folder or name the folder itself is refused.
void CheckValueName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of(std::string("/\0", 2)) != std::string::npos)
        throw ESettingsError("Invalid settings value name \"" + name + "\"");
}

[[noreturn]] void Fail(const std::string& what, const fs::path& file, int error) {
    throw ESettingsError(what + " " + file.string() + ": " + ErrorText(error));
}

void MakeFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) Fail("Cannot create the settings folder", folder, ec.value());
}

} // namespace

FileSettingsStore::FileSettingsStore(fs::path folder) : folder_(std::move(folder)) {}

fs::path FileSettingsStore::ValueFile(const std::string& name) const {
    CheckValueName(name);
    return folder_ / name;
}

std::optional<Bytes> FileSettingsStore::ReadBinary(const std::string& name) const {
    fs::path file = ValueFile(name);
    UniqueFd fd = OpenFile(file, O_RDONLY | O_CLOEXEC);
    if (!fd.Valid()) {
        if (errno == ENOENT) return std::nullopt;
        Fail("Cannot read the settings file", file, errno);
    }
    Bytes value;
    if (!ReadAll(fd.Get(), value)) Fail("Cannot read the settings file", file, errno);
    return value;
}

std::optional<std::string> FileSettingsStore::ReadString(const std::string& name) const {
    std::optional<Bytes> bytes = ReadBinary(name);
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

void FileSettingsStore::WriteBinary(const std::string& name, const Bytes& value) {
    WriteBytes(name, value.data(), value.size());
}

void FileSettingsStore::WriteString(const std::string& name, const std::string& value) {
    WriteBytes(name, value.data(), value.size());
}

void FileSettingsStore::WriteBytes(const std::string& name, const void* data, std::size_t size) {
    const fs::path target = ValueFile(name);
    MakeFolder(folder_);
    try {
        WriteFileAtomically(target, std::string_view(static_cast<const char*>(data), size));
    } catch (const EFileWriteError& error) {
        throw ESettingsError(error.what());
    }
}

} // namespace zv
