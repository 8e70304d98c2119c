#pragma once
// A settings store held in memory, counting writes, for tests of what the
// program stores and when.

#include "platform/SettingsStore.h"

#include <map>

namespace zvtest {

class MemorySettingsStore : public zv::SettingsStore {
public:
    std::optional<zv::Bytes> ReadBinary(const std::string& name) const override {
        auto it = binaries.find(name);
        if (it == binaries.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::string> ReadString(const std::string& name) const override {
        auto it = strings.find(name);
        if (it == strings.end()) return std::nullopt;
        return it->second;
    }
    void WriteBinary(const std::string& name, const zv::Bytes& value) override {
        binaries[name] = value;
        ++writes;
    }
    void WriteString(const std::string& name, const std::string& value) override {
        strings[name] = value;
        ++writes;
    }

    std::map<std::string, zv::Bytes> binaries;
    std::map<std::string, std::string> strings;
    int writes = 0;
};

} // namespace zvtest
