#pragma once
// Test-only encoders for the zip methods no tool on the build machine
// writes: shrink (1), reduce (2 to 5) and implode (6), made from the
// format's published description, so the decoders can be checked byte for
// byte on archives of every method. They aim for correct streams, not small
// ones.

#include <cstdint>
#include <string>

namespace zvtest {

// Bits packed from the low bit of each byte up, as every zip method reads them.
class BitWriter {
public:
    void Put(std::uint32_t value, int count);
    std::string Finish(); // pads the last byte with zero bits

private:
    std::string bytes_;
    std::uint64_t buffer_ = 0;
    int count_ = 0;
};

struct ShrinkOptions {
    // Also clear partially after every this many codes (0: only when the
    // table is full), so small inputs exercise clearing too.
    int clearEvery = 0;
};
std::string Shrink(const std::string& data, const ShrinkOptions& options = {});

enum class Followers {
    None,     // every follower set empty: each byte written as 8 bits
    Frequent, // up to `maxFollowers` most frequent followers of each byte
};
struct ReduceOptions {
    Followers followers = Followers::Frequent;
    int maxFollowers = 32;
};
// `factor` 1..4 (method 2..5).
std::string Reduce(const std::string& data, int factor, const ReduceOptions& options = {});

// Flag bit 1 picks the 8K window, flag bit 2 the literal tree.
std::string Implode(const std::string& data, bool window8K, bool literalTree);

// Raw deflate through zlib (method 8).
std::string Deflate(const std::string& data);

// The bytes of `data` packed with `method` (0, 1, 2..5, 6 with `flags`, 8).
std::string PackWith(std::uint16_t method, std::uint16_t flags, const std::string& data);

} // namespace zvtest
