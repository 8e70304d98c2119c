#pragma once
// The settings store as a folder with one file per value: the file is named
// as the value, and holds the binary record byte for byte or the string as
// UTF-8. Each write goes to a temporary file in the same folder, is flushed
// to disk and then renamed over the value, so a reader sees the old value or
// the new one, never a mix.

#include "platform/SettingsStore.h"

#include <filesystem>

namespace zv {

class FileSettingsStore : public SettingsStore {
public:
    // The folder is made (with its parents) on the first write.
    explicit FileSettingsStore(std::filesystem::path folder);

    // Reads give nothing for a value never written, and throw ESettingsError
    // when the value exists but cannot be read.
    std::optional<Bytes> ReadBinary(const std::string& name) const override;
    std::optional<std::string> ReadString(const std::string& name) const override;
    void WriteBinary(const std::string& name, const Bytes& value) override;
    void WriteString(const std::string& name, const std::string& value) override;

    const std::filesystem::path& Folder() const { return folder_; }

private:
    std::filesystem::path ValueFile(const std::string& name) const;
    void WriteBytes(const std::string& name, const void* data, std::size_t size);

    std::filesystem::path folder_;
};

} // namespace zv
