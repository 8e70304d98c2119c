#include "viewer/TextFiles.h"

#include "platform/TextEncoding.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <utility>
#include <vector>

namespace zv {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

std::string Utf16ToUtf8(std::string_view s, bool bigEndian) {
    std::string out;
    out.reserve(s.size());
    char32_t high = 0;
    for (std::size_t at = 0; at + 1 < s.size(); at += 2) {
        const auto b0 = static_cast<unsigned char>(s[at]);
        const auto b1 = static_cast<unsigned char>(s[at + 1]);
        const char32_t unit = bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
        if (high && unit >= 0xDC00 && unit <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
            high = 0;
            continue;
        }
        if (high) AppendUtf8(out, kReplacement);
        high = (unit >= 0xD800 && unit <= 0xDBFF) ? unit : 0;
        if (!high) AppendUtf8(out, unit);
    }
    if (high) AppendUtf8(out, kReplacement);
    return out;
}

std::string WithLfLineEnds(std::string s) {
    std::string::size_type write = 0;
    for (std::string::size_type read = 0; read < s.size(); ++read) {
        if (s[read] == '\r') {
            s[write++] = '\n';
            if (read + 1 < s.size() && s[read + 1] == '\n') ++read;
        } else {
            s[write++] = s[read];
        }
    }
    s.resize(write);
    return s;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// ---------------------------------------------------------------------------
// Rich text

// Destinations whose text is not part of the document body.
bool IsSkippedDestination(std::string_view word) {
    static constexpr std::string_view kSkipped[] = {
        "annotation", "atnauthor",    "atnid",
        "author",     "bkmkend",      "bkmkstart",
        "colortbl",   "comment",      "datastore",
        "doccomm",    "fldinst",      "filetbl",
        "fonttbl",    "footer",       "footerf",
        "footerl",    "footerr",      "footnote",
        "generator",  "header",       "headerf",
        "headerl",    "headerr",      "info",
        "keywords",   "latentstyles", "listoverridetable",
        "listtable",  "nonshppict",   "objdata",
        "operator",   "pict",         "pgdsctbl",
        "revtbl",     "rsidtbl",      "stylesheet",
        "subject",    "template",     "themedata",
        "title",      "xmlnstbl",
    };
    return std::find(std::begin(kSkipped), std::end(kSkipped), word) != std::end(kSkipped);
}

// Control words that stand for one character.
char32_t NamedCharacter(std::string_view word) {
    static constexpr std::pair<std::string_view, char32_t> kCharacters[] = {
        {"bullet", 0x2022},    {"emdash", 0x2014},    {"emspace", 0x2003}, {"endash", 0x2013},
        {"enspace", 0x2002},   {"ldblquote", 0x201C}, {"lquote", 0x2018},  {"qmspace", 0x2005},
        {"rdblquote", 0x201D}, {"rquote", 0x2019},    {"zwj", 0x200D},     {"zwnj", 0x200C},
        {"tab", U'\t'},        {"cell", U'\t'},       {"par", U'\n'},      {"line", U'\n'},
        {"row", U'\n'},        {"sect", U'\n'},       {"page", U'\n'},
    };
    for (const auto& [name, character] : kCharacters)
        if (name == word) return character;
    return 0;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

class RtfReader {
public:
    explicit RtfReader(std::string_view rtf) : in_(rtf) {}

    std::string Text() {
        while (at_ < in_.size()) {
            const char c = in_[at_++];
            switch (c) {
            case '{': OpenGroup(); break;
            case '}': CloseGroup(); break;
            case '\\': ControlSequence(); break;
            case '\r':
            case '\n': break; // line ends in the source are not text
            default: Character(FromWindows1252(static_cast<unsigned char>(c)));
            }
        }
        FlushSurrogate();
        return std::move(out_);
    }

private:
    struct Group {
        bool skip = false;       // inside a destination that is not shown
        int unicodeFallback = 1; // \ucN: characters that follow each \uN
    };

    void OpenGroup() {
        groups_.push_back(group_);
        fallbackLeft_ = 0;
    }

    // A closing brace with no group open is dropped.
    void CloseGroup() {
        if (groups_.empty()) return;
        group_ = groups_.back();
        groups_.pop_back();
        fallbackLeft_ = 0;
    }

    void ControlSequence() {
        if (at_ >= in_.size()) return;
        const char c = in_[at_];
        if (IsLetter(c)) return ControlWord();
        ++at_;
        switch (c) {
        case '*': group_.skip = true; return;
        case '\'': return HexCharacter();
        case '~': return Character(0x00A0);
        case '_': return Character(0x2011);
        case '-': return Character(0); // optional hyphen: shown only at a line break
        case '\r':
        case '\n': return Character(U'\n');
        default: return Character(static_cast<unsigned char>(c)); // \{ \} \\ and the like
        }
    }

    void ControlWord() {
        const std::size_t start = at_;
        while (at_ < in_.size() && IsLetter(in_[at_])) ++at_;
        const std::string_view word = in_.substr(start, at_ - start);
        const std::optional<long> parameter = Parameter();
        if (at_ < in_.size() && in_[at_] == ' ') ++at_;

        if (word == "bin") return SkipBinary(parameter.value_or(0));
        if (fallbackLeft_ > 0) {
            --fallbackLeft_;
            return;
        }
        if (IsSkippedDestination(word)) group_.skip = true;
        if (word == "uc")
            group_.unicodeFallback = static_cast<int>(std::clamp(parameter.value_or(1), 0L, 16L));
        if (word == "u" && parameter) return Unicode(*parameter);
        if (const char32_t c = NamedCharacter(word)) Character(c);
    }

    // The signed number after a control word, if any; absurdly long numbers
    // are read whole but kept within range.
    std::optional<long> Parameter() {
        const std::size_t start = at_;
        bool negative = false;
        if (at_ < in_.size() && in_[at_] == '-') {
            negative = true;
            ++at_;
        }
        long value = 0;
        bool digits = false;
        while (at_ < in_.size() && in_[at_] >= '0' && in_[at_] <= '9') {
            value = std::min(value * 10 + (in_[at_] - '0'), 1L << 31);
            digits = true;
            ++at_;
        }
        if (!digits) {
            at_ = start;
            return std::nullopt;
        }
        return negative ? -value : value;
    }

    void SkipBinary(long count) {
        at_ += static_cast<std::size_t>(std::clamp(count, 0L, static_cast<long>(in_.size() - at_)));
    }

    void HexCharacter() {
        if (in_.size() - at_ < 2) {
            at_ = in_.size();
            return;
        }
        const int high = HexDigit(in_[at_]);
        const int low = HexDigit(in_[at_ + 1]);
        if (high < 0 || low < 0) return;
        at_ += 2;
        Character(FromWindows1252(static_cast<unsigned char>(high << 4 | low)));
    }

    // \uN gives a signed 16-bit code unit; pairs of surrogates make one character.
    // Values outside the 16-bit range stand for no character.
    void Unicode(long value) {
        const char32_t unit = (value < -32768 || value > 65535)
                                  ? kReplacement
                                  : static_cast<char32_t>(value < 0 ? value + 65536 : value);
        const int fallback = group_.unicodeFallback;
        if (unit >= 0xDC00 && unit <= 0xDFFF && highSurrogate_) {
            const char32_t c = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00);
            highSurrogate_ = 0;
            Character(c);
        } else if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (!group_.skip) {
                FlushSurrogate();
                highSurrogate_ = unit;
            }
        } else {
            Character(unit);
        }
        fallbackLeft_ = fallback;
    }

    void Character(char32_t c) {
        if (fallbackLeft_ > 0) {
            --fallbackLeft_;
            return;
        }
        if (group_.skip || c == 0) return;
        FlushSurrogate();
        AppendUtf8(out_, c);
    }

    void FlushSurrogate() {
        if (!highSurrogate_) return;
        highSurrogate_ = 0;
        AppendUtf8(out_, kReplacement);
    }

    std::string_view in_;
    std::size_t at_ = 0;
    std::string out_;
    Group group_;
    std::vector<Group> groups_;
    int fallbackLeft_ = 0;
    char32_t highSurrogate_ = 0;
};

// Drops a UTF-8 sequence that the read limit cut in two, so that the text
// before it is still read as UTF-8.
void DropCutSequence(std::string& bytes) {
    for (std::size_t back = 1; back <= std::min<std::size_t>(3, bytes.size()); ++back) {
        const std::size_t at = bytes.size() - back;
        const auto c = static_cast<unsigned char>(bytes[at]);
        if (c < 0x80) return;
        if (c >= 0xC0) {
            bool cutShort = false;
            Utf8SequenceAt(bytes, at, cutShort);
            if (cutShort) bytes.resize(at);
            return;
        }
    }
}

std::string ReadPrefix(const std::string& path, std::size_t maxBytes, bool& cut) {
    const auto fail = [&path]() { return ETextFileError("Cannot read the text file " + path); };
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw fail();
    std::ifstream in(path, std::ios::binary);
    if (!in) throw fail();
    std::string bytes;
    std::vector<char> chunk(64 * 1024);
    while (bytes.size() < maxBytes) {
        const std::size_t want = std::min(chunk.size(), maxBytes - bytes.size());
        in.read(chunk.data(), static_cast<std::streamsize>(want));
        bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (in.bad()) throw fail();
        if (!in) break;
    }
    cut = bytes.size() == maxBytes && in.peek() != std::ifstream::traits_type::eof();
    return bytes;
}

} // namespace

std::string PlainTextToUtf8(std::string_view bytes) {
    if (StartsWith(bytes, "\xFF\xFE")) return WithLfLineEnds(Utf16ToUtf8(bytes.substr(2), false));
    if (StartsWith(bytes, "\xFE\xFF")) return WithLfLineEnds(Utf16ToUtf8(bytes.substr(2), true));
    if (StartsWith(bytes, "\xEF\xBB\xBF")) bytes.remove_prefix(3);
    return WithLfLineEnds(IsUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes));
}

std::string RtfToText(std::string_view rtf) {
    return RtfReader(rtf).Text();
}

std::string ReadTextForDisplay(const std::string& path, std::size_t maxBytes) {
    bool cut = false;
    std::string bytes = ReadPrefix(path, maxBytes, cut);
    if (StartsWith(bytes, "{\\rtf")) return RtfToText(bytes);
    if (cut) DropCutSequence(bytes);
    return PlainTextToUtf8(bytes);
}

} // namespace zv
