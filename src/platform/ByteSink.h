#pragma once
// Somewhere bytes go in order: a file being written or a buffer in memory.
// Writers that can produce their output piece by piece write to a sink, so
// the same code fills a buffer or streams to disk without holding the whole
// file.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zv {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Takes every byte or throws.
    virtual void Write(const void* data, std::size_t size) = 0;
};

// Appends to a byte vector.
class VectorSink : public ByteSink {
public:
    explicit VectorSink(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    void Write(const void* data, std::size_t size) override {
        const auto* first = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), first, first + size);
    }

private:
    std::vector<std::uint8_t>& bytes_;
};

} // namespace zv
