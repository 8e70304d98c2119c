#pragma once
// The per-user settings store: named binary records and strings under the
// program's one key. A missing value reads as nothing, and the caller uses
// its defaults.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zv {

using Bytes = std::vector<std::uint8_t>;

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual std::optional<Bytes> ReadBinary(const std::string& name) const = 0;
    virtual std::optional<std::string> ReadString(const std::string& name) const = 0;
    // Writes replace the whole value at once: a reader never sees half a record.
    // They throw ESettingsError when the value cannot be stored.
    virtual void WriteBinary(const std::string& name, const Bytes& value) = 0;
    virtual void WriteString(const std::string& name, const std::string& value) = 0;
};

class ESettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace zv
