#include "ZipLegacyEncoders.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <functional>
#include <numeric>
#include <queue>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace zvtest {

void BitWriter::Put(std::uint32_t value, int count) {
    buffer_ |= static_cast<std::uint64_t>(value & ((1u << count) - 1)) << count_;
    count_ += count;
    while (count_ >= 8) {
        bytes_ += static_cast<char>(buffer_ & 0xFF);
        buffer_ >>= 8;
        count_ -= 8;
    }
}

std::string BitWriter::Finish() {
    if (count_ > 0) bytes_ += static_cast<char>(buffer_ & 0xFF);
    buffer_ = 0;
    count_ = 0;
    return bytes_;
}

namespace {

std::uint8_t At(const std::string& data, std::size_t i) {
    return static_cast<std::uint8_t>(data[i]);
}

// ---------------------------------------------------------------------------
// Shrink: LZW whose table is kept exactly as the expanding side keeps it. The
// expanding side adds a string one code late (when it sees the first byte of
// the next code), so this side adds the string for a code after writing the
// code and after any partial clear that follows it; both tables then change
// in the same order.

class ShrinkTable {
public:
    static constexpr int kCodes = 8192;
    static constexpr int kFirst = 257;

    ShrinkTable() {
        for (int code = 0; code < kCodes; ++code) {
            parent_[code] = -1;
            value_[code] = static_cast<std::uint8_t>(code);
            used_[code] = code < 256;
        }
    }

    int Child(int prefix, std::uint8_t byte) const {
        const auto found = children_.find(Key(prefix, byte));
        return found == children_.end() ? -1 : found->second;
    }

    int NextFree() {
        while (next_ < kCodes && used_[next_]) ++next_;
        return next_ < kCodes ? next_ : -1;
    }

    void Add(int prefix, std::uint8_t byte) {
        const int slot = NextFree();
        if (slot < 0) return;
        // A prefix freed by the clear just before leaves the new string
        // without a meaning of its own; it takes its slot on both sides but
        // is never matched, as its slot's later strings would be spelt
        // through it.
        const bool orphan = !used_[prefix];
        parent_[slot] = prefix;
        value_[slot] = byte;
        used_[slot] = true;
        if (!orphan) children_[Key(prefix, byte)] = slot;
    }

    void PartialClear() {
        std::vector<bool> extended(kCodes);
        for (int code = kFirst; code < kCodes; ++code)
            if (used_[code] && parent_[code] >= kFirst) extended[parent_[code]] = true;
        for (int code = kFirst; code < kCodes; ++code) {
            if (!used_[code] || extended[code]) continue;
            used_[code] = false;
            const auto child = children_.find(Key(parent_[code], value_[code]));
            if (child != children_.end() && child->second == code) children_.erase(child);
        }
        next_ = kFirst;
    }

private:
    static std::uint32_t Key(int prefix, std::uint8_t byte) {
        return static_cast<std::uint32_t>(prefix) << 8 | byte;
    }

    std::array<int, kCodes> parent_;
    std::array<std::uint8_t, kCodes> value_;
    std::array<bool, kCodes> used_;
    std::unordered_map<std::uint32_t, int> children_;
    int next_ = kFirst;
};

// ---------------------------------------------------------------------------
// A plain LZ77 match finder over hash chains of two-byte prefixes.

struct Match {
    int length = 0;
    int distance = 0;
};

class MatchFinder {
public:
    MatchFinder(const std::string& data, int window, int maxLength)
        : data_(data), window_(window), maxLength_(maxLength), head_(65536, -1),
          previous_(data.size(), -1) {}

    // The longest match at `pos` whose length passes `accept`, nearest first among equals.
    Match Find(std::size_t pos, const std::function<bool(int length, int distance)>& accept) const {
        Match best;
        if (pos + 2 > data_.size()) return best;
        int candidate = head_[Hash(pos)];
        const int limit = static_cast<int>(std::min<std::size_t>(maxLength_, data_.size() - pos));
        for (int chain = 0; candidate >= 0 && chain < 256; ++chain) {
            const int distance = static_cast<int>(pos) - candidate;
            if (distance > window_) break;
            int length = 0;
            while (length < limit && data_[static_cast<std::size_t>(candidate + length)] ==
                                         data_[pos + static_cast<std::size_t>(length)])
                ++length;
            if (length > best.length && accept(length, distance)) best = {length, distance};
            candidate = previous_[static_cast<std::size_t>(candidate)];
        }
        return best;
    }

    void Insert(std::size_t pos) {
        if (pos + 2 > data_.size()) return;
        const std::size_t hash = Hash(pos);
        previous_[pos] = head_[hash];
        head_[hash] = static_cast<int>(pos);
    }

private:
    std::size_t Hash(std::size_t pos) const {
        return std::size_t{At(data_, pos)} << 8 | At(data_, pos + 1);
    }

    const std::string& data_;
    int window_;
    int maxLength_;
    std::vector<int> head_;
    std::vector<int> previous_;
};

// ---------------------------------------------------------------------------
// Prefix code lengths for implode's trees: every symbol gets a length of 1 to
// 16, as the tree format needs one for each.

std::vector<int> CodeLengths(std::vector<std::uint64_t> frequencies) {
    const std::size_t symbols = frequencies.size();
    for (auto& frequency : frequencies) ++frequency;
    while (true) {
        struct Node {
            std::uint64_t weight;
            int index;
        };
        auto heavier = [](const Node& a, const Node& b) { return a.weight > b.weight; };
        std::priority_queue<Node, std::vector<Node>, decltype(heavier)> queue(heavier);
        std::vector<int> parent(symbols * 2, -1);
        for (std::size_t i = 0; i < symbols; ++i) queue.push({frequencies[i], static_cast<int>(i)});
        int next = static_cast<int>(symbols);
        while (queue.size() > 1) {
            const Node a = queue.top();
            queue.pop();
            const Node b = queue.top();
            queue.pop();
            parent[static_cast<std::size_t>(a.index)] = next;
            parent[static_cast<std::size_t>(b.index)] = next;
            queue.push({a.weight + b.weight, next++});
        }
        std::vector<int> lengths(symbols);
        int longest = 0;
        for (std::size_t i = 0; i < symbols; ++i) {
            int depth = 0;
            for (int at = static_cast<int>(i); parent[static_cast<std::size_t>(at)] >= 0;
                 at = parent[static_cast<std::size_t>(at)])
                ++depth;
            lengths[i] = depth;
            longest = std::max(longest, depth);
        }
        if (longest <= 16) return lengths;
        for (auto& frequency : frequencies) frequency = frequency / 2 + 1;
    }
}

// A Shannon-Fano tree as the format builds it from the bit lengths: codes
// given out from the longest length up, then bit-reversed for writing.
struct ShannonFanoCodes {
    std::vector<int> lengths;
    std::vector<std::uint32_t> reversed; // written low bit first

    explicit ShannonFanoCodes(std::vector<int> bitLengths) : lengths(std::move(bitLengths)) {
        const std::size_t count = lengths.size();
        std::vector<std::size_t> order(count);
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return lengths[a] < lengths[b]; });
        std::vector<std::uint32_t> codes(count);
        std::uint32_t code = 0;
        std::uint32_t increment = 0;
        int lastLength = 0;
        for (std::size_t i = count; i-- > 0;) {
            code += increment;
            const int length = lengths[order[i]];
            if (length != lastLength) {
                lastLength = length;
                increment = 1u << (16 - length);
            }
            codes[order[i]] = code;
        }
        reversed.resize(count);
        for (std::size_t s = 0; s < count; ++s) {
            std::uint32_t value = 0;
            for (int bit = 0; bit < 16; ++bit)
                if (codes[s] & (1u << bit)) value |= 1u << (15 - bit);
            reversed[s] = value;
        }
    }

    void Write(BitWriter& out, int symbol) const {
        out.Put(reversed[static_cast<std::size_t>(symbol)],
                lengths[static_cast<std::size_t>(symbol)]);
    }

    // The tree as stored: its byte count less one, then runs of equal lengths.
    void Store(BitWriter& out) const {
        std::vector<std::uint8_t> runs;
        for (std::size_t i = 0; i < lengths.size();) {
            std::size_t run = 1;
            while (i + run < lengths.size() && run < 16 && lengths[i + run] == lengths[i]) ++run;
            runs.push_back(static_cast<std::uint8_t>((run - 1) << 4 |
                                                     static_cast<std::size_t>(lengths[i] - 1)));
            i += run;
        }
        out.Put(static_cast<std::uint32_t>(runs.size() - 1), 8);
        for (std::uint8_t run : runs) out.Put(run, 8);
    }
};

int IndexBits(int count) {
    int bits = 1;
    while ((1 << bits) < count) ++bits;
    return bits;
}

} // namespace

std::string Shrink(const std::string& data, const ShrinkOptions& options) {
    BitWriter out;
    if (data.empty()) return out.Finish();
    ShrinkTable table;
    int codeSize = 9;
    auto emit = [&](int code) {
        while (code >= (1 << codeSize)) {
            out.Put(256, codeSize);
            out.Put(1, codeSize);
            ++codeSize;
        }
        out.Put(static_cast<std::uint32_t>(code), codeSize);
    };
    int emitted = 0;
    int current = At(data, 0);
    for (std::size_t i = 1; i < data.size(); ++i) {
        const std::uint8_t byte = At(data, i);
        const int child = table.Child(current, byte);
        if (child >= 0) {
            current = child;
            continue;
        }
        emit(current);
        ++emitted;
        if (table.NextFree() < 0 || (options.clearEvery > 0 && emitted % options.clearEvery == 0)) {
            out.Put(256, codeSize);
            out.Put(2, codeSize);
            table.PartialClear();
        }
        table.Add(current, byte);
        current = byte;
    }
    emit(current);
    return out.Finish();
}

std::string Reduce(const std::string& data, int factor, const ReduceOptions& options) {
    if (factor < 1 || factor > 4) throw std::invalid_argument("reduce factor");
    constexpr std::uint8_t kEscape = 0x90;
    const int lengthMask = 0xFF >> factor;
    const int maxDistance = 256 << factor;
    const int maxLength = lengthMask + 255 + 3;

    // The sliding-window stage: literal bytes, 0x90 0x00 for 0x90 itself,
    // and 0x90, length and high distance bits, [extra length], low distance.
    std::vector<std::uint8_t> middle;
    MatchFinder finder(data, maxDistance, maxLength);
    for (std::size_t pos = 0; pos < data.size();) {
        // A length of 3 at a distance within 256 would make the byte after the
        // escape 0, which means the escape byte itself; such matches are not used.
        const Match match = finder.Find(pos, [](int length, int distance) {
            return length >= 4 || (length == 3 && distance > 256);
        });
        if (match.length >= 3) {
            const int extra = match.length - 3;
            const int high = (match.distance - 1) >> 8;
            middle.push_back(kEscape);
            middle.push_back(
                static_cast<std::uint8_t>(high << (8 - factor) | std::min(extra, lengthMask)));
            if (extra >= lengthMask)
                middle.push_back(static_cast<std::uint8_t>(extra - lengthMask));
            middle.push_back(static_cast<std::uint8_t>((match.distance - 1) & 0xFF));
            for (int k = 0; k < match.length; ++k) finder.Insert(pos + static_cast<std::size_t>(k));
            pos += static_cast<std::size_t>(match.length);
        } else {
            const std::uint8_t byte = At(data, pos);
            middle.push_back(byte);
            if (byte == kEscape) middle.push_back(0);
            finder.Insert(pos);
            ++pos;
        }
    }

    // The probabilistic stage: follower sets chosen from how often each
    // byte follows each other one.
    std::array<std::vector<std::uint8_t>, 256> sets;
    if (options.followers == Followers::Frequent) {
        std::vector<std::array<std::uint32_t, 256>> counts(256);
        for (auto& row : counts) row.fill(0);
        std::uint8_t last = 0;
        for (std::uint8_t byte : middle) {
            ++counts[last][byte];
            last = byte;
        }
        for (int value = 0; value < 256; ++value) {
            std::vector<int> order(256);
            std::iota(order.begin(), order.end(), 0);
            std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
                return counts[static_cast<std::size_t>(value)][static_cast<std::size_t>(a)] >
                       counts[static_cast<std::size_t>(value)][static_cast<std::size_t>(b)];
            });
            for (int i = 0; i < std::min(options.maxFollowers, 32); ++i) {
                if (counts[static_cast<std::size_t>(value)]
                          [static_cast<std::size_t>(order[static_cast<std::size_t>(i)])] == 0)
                    break;
                sets[static_cast<std::size_t>(value)].push_back(
                    static_cast<std::uint8_t>(order[static_cast<std::size_t>(i)]));
            }
        }
    }
    BitWriter out;
    for (int value = 255; value >= 0; --value) {
        const auto& set = sets[static_cast<std::size_t>(value)];
        out.Put(static_cast<std::uint32_t>(set.size()), 6);
        for (std::uint8_t member : set) out.Put(member, 8);
    }
    std::uint8_t last = 0;
    for (std::uint8_t byte : middle) {
        const auto& set = sets[last];
        if (set.empty()) {
            out.Put(byte, 8);
        } else if (const auto found = std::find(set.begin(), set.end(), byte); found != set.end()) {
            out.Put(0, 1);
            out.Put(static_cast<std::uint32_t>(found - set.begin()),
                    IndexBits(static_cast<int>(set.size())));
        } else {
            out.Put(1, 1);
            out.Put(byte, 8);
        }
        last = byte;
    }
    return out.Finish();
}

std::string Implode(const std::string& data, bool window8K, bool literalTree) {
    const int window = window8K ? 8192 : 4096;
    const int lowBits = window8K ? 7 : 6;
    const int minLength = literalTree ? 3 : 2;
    const int maxLength = minLength + 63 + 255;

    struct Token {
        int literal = -1;
        int length = 0;
        int distance = 0;
    };
    std::vector<Token> tokens;
    MatchFinder finder(data, window, maxLength);
    for (std::size_t pos = 0; pos < data.size();) {
        const Match match = finder.Find(pos, [&](int length, int) { return length >= minLength; });
        if (match.length >= minLength) {
            tokens.push_back({-1, match.length, match.distance});
            for (int k = 0; k < match.length; ++k) finder.Insert(pos + static_cast<std::size_t>(k));
            pos += static_cast<std::size_t>(match.length);
        } else {
            tokens.push_back({At(data, pos), 0, 0});
            finder.Insert(pos);
            ++pos;
        }
    }

    std::vector<std::uint64_t> literalCounts(256), lengthCounts(64), distanceCounts(64);
    for (const Token& token : tokens) {
        if (token.literal >= 0) {
            ++literalCounts[static_cast<std::size_t>(token.literal)];
        } else {
            ++lengthCounts[static_cast<std::size_t>(std::min(token.length - minLength, 63))];
            ++distanceCounts[static_cast<std::size_t>((token.distance - 1) >> lowBits)];
        }
    }
    const ShannonFanoCodes literals(CodeLengths(literalCounts));
    const ShannonFanoCodes lengths(CodeLengths(lengthCounts));
    const ShannonFanoCodes distances(CodeLengths(distanceCounts));

    BitWriter out;
    if (literalTree) literals.Store(out);
    lengths.Store(out);
    distances.Store(out);
    for (const Token& token : tokens) {
        if (token.literal >= 0) {
            out.Put(1, 1);
            if (literalTree)
                literals.Write(out, token.literal);
            else
                out.Put(static_cast<std::uint32_t>(token.literal), 8);
            continue;
        }
        out.Put(0, 1);
        out.Put(static_cast<std::uint32_t>(token.distance - 1), lowBits);
        distances.Write(out, (token.distance - 1) >> lowBits);
        const int length = token.length - minLength;
        lengths.Write(out, std::min(length, 63));
        if (length >= 63) out.Put(static_cast<std::uint32_t>(length - 63), 8);
    }
    return out.Finish();
}

std::string Deflate(const std::string& data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&stream, data.size()) + 16, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) throw std::runtime_error("deflate");
    return out;
}

std::string PackWith(std::uint16_t method, std::uint16_t flags, const std::string& data) {
    switch (method) {
    case 0: return data;
    case 1: return Shrink(data);
    case 2:
    case 3:
    case 4:
    case 5: return Reduce(data, method - 1);
    case 6: return Implode(data, (flags & 0x02) != 0, (flags & 0x04) != 0);
    case 8: return Deflate(data);
    default: throw std::invalid_argument("no encoder for method " + std::to_string(method));
    }
}

} // namespace zvtest
