#include "album/AlbumScript.h"

#include "album/OldPaths.h"
#include "platform/FileDate.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <unordered_map>

namespace zv {

namespace {

constexpr std::string_view kEol = "\r\n";

// Lines of the script bytes one at a time, with their numbers from 1, ended
// by CR LF, LF or CR.
class LineCursor {
public:
    LineCursor(std::string_view bytes, std::size_t at, int number)
        : bytes_(bytes), at_(at), number_(number) {}

    bool AtEnd() const { return at_ >= bytes_.size(); }
    std::size_t Offset() const { return at_; }
    int Number() const { return number_; }

    std::string_view Peek() const { return bytes_.substr(at_, LineEnd() - at_); }
    std::string_view Next() {
        const std::size_t end = LineEnd();
        const std::string_view line = bytes_.substr(at_, end - at_);
        at_ = end;
        if (At('\r')) ++at_;
        if (At('\n')) ++at_; // LF alone, or the LF of CR LF
        ++number_;
        return line;
    }

private:
    bool At(char c) const { return at_ < bytes_.size() && bytes_[at_] == c; }
    // A plain scan: find_first_of with a set looks each byte up in the set.
    std::size_t LineEnd() const {
        std::size_t end = at_;
        while (end < bytes_.size() && bytes_[end] != '\r' && bytes_[end] != '\n') ++end;
        return end;
    }

    std::string_view bytes_;
    std::size_t at_;
    int number_;
};

bool SameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
               };
               return lower(x) == lower(y);
           });
}

bool StartsSection(std::string_view line) {
    return !line.empty() && line.front() == '[';
}

// A whole number in the base within [low, high]; nothing when the text is
// not one (any other character, or a value beyond the range).
std::optional<std::int64_t> Number(std::string_view text, int base, std::int64_t low,
                                   std::int64_t high) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high)
        return std::nullopt;
    return value;
}

std::int16_t Number16(std::string_view text, int base, std::int64_t low, std::int64_t high,
                      std::int16_t bad) {
    return static_cast<std::int16_t>(Number(text, base, low, high).value_or(bad));
}

// "a,b" as two 16-bit decimals, or the bad value for both.
std::pair<std::int16_t, std::int16_t> NumberPair(std::string_view text, std::int16_t bad) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) return {bad, bad};
    const auto a = Number(text.substr(0, comma), 10, SHRT_MIN, SHRT_MAX);
    const auto b = Number(text.substr(comma + 1), 10, SHRT_MIN, SHRT_MAX);
    if (!a || !b) return {bad, bad};
    return {static_cast<std::int16_t>(*a), static_cast<std::int16_t>(*b)};
}

[[noreturn]] void BadScript(int line, const std::string& expected) {
    throw EAlbumError(std::string(kBadAvlFile) + "\nLine " + std::to_string(line) + ": " +
                      expected);
}

std::string Hex(std::int64_t value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "%0*llX", digits, static_cast<unsigned long long>(value));
    return text;
}

void WriteHeader(std::string& out, const SlideAlbum& album, const ScriptHeader& header) {
    out += "[Header]\r\nVer=11\r\n";
    out += "ScreenW=" + std::to_string(header.screenWidth) + "\r\n";
    out += "ScreenH=" + std::to_string(header.screenHeight) + "\r\n";
    for (std::size_t k = 0; k < kDataFileKeys.size(); ++k)
        out.append(kDataFileKeys[k]).append("=").append(header.dataFiles[k]).append(kEol);
    out += "RUN=" + std::to_string(header.runSlide) + "\r\n";
    out += "THMREC=\r\n";
    out += "N=" + std::to_string(static_cast<std::int64_t>(album.Count()) + 1) + "\r\n\r\n";
}

void WriteSlide(std::string& out, const SlideAlbum& album, int position) {
    const SlideRecord& r = album.Slide(position);
    out += "[" + std::to_string(position + 1) + "]\r\n";
    if (KindOf(r) == SlideKind::CdTrack) {
        out.append("F=").append(kCdTrackMarker).append(kEol);
        out += "X=" + std::to_string(r.effect) + "\r\n";
    } else {
        std::string file(album.NameOf(position));
        file += r.ext.View();
        out += "F=" + ScriptEscape(file) + "," + std::to_string(r.folderIndex) + "\r\n";
        if (r.backColor >= 0) out += "B=" + Hex(r.backColor, 6) + "\r\n";
        if (r.effect > 0) out += "E=" + Hex(r.effect, 1) + "\r\n";
    }
    if (r.wait > 0) out += "W=" + std::to_string(r.wait) + "\r\n";
    if (r.zoom > 0 && r.zoom != 100) out += "Z=" + std::to_string(r.zoom) + "\r\n";
    if (r.gamma > 0 && r.gamma != 100) out += "G=" + Hex(r.gamma, 2) + "\r\n";
    if (r.rotate > 0) out += "Y=" + std::to_string(r.rotate) + "\r\n";
    if (r.posX >= 0 && r.posY >= 0)
        out += "P=" + std::to_string(r.posX) + "," + std::to_string(r.posY) + "\r\n";
    if (r.panelW >= 0 && r.panelH >= 0)
        out += "U=" + std::to_string(r.panelW) + "," + std::to_string(r.panelH) + "\r\n";
    const std::string_view comment = album.CommentOf(position);
    if (comment.find_first_not_of(' ') != std::string_view::npos)
        out += "S=" + ScriptEscape(comment) + "\r\n";
    out += kEol;
}

// The fields of one slide section, with the defaults of a missing field.
struct SlideFields {
    std::optional<std::int32_t> backColor;
    std::int16_t effect = 0;
    bool hasFile = false;
    bool cdTrack = false;
    std::string_view fileValue; // "<name>,<folder index>" as written
    std::int16_t gamma = 100;
    std::pair<std::int16_t, std::int16_t> position{-1, -1};
    std::string comment;
    std::pair<std::int16_t, std::int16_t> panel{0, 0};
    std::int16_t wait = 0;
    std::int16_t track = 0;
    std::int16_t rotate = 0;
    std::int16_t zoom = 100;
};

void ReadField(SlideFields& f, char key, std::string_view value) {
    switch (key) {
    case 'B':
        if (const auto colour = Number(value, 16, 0, 0xFFFFFF))
            f.backColor = static_cast<std::int32_t>(*colour);
        break;
    case 'E': f.effect = Number16(value, 16, 0, SHRT_MAX, 0); break;
    case 'F':
        f.hasFile = true;
        f.fileValue = value;
        f.cdTrack = value.find(',') == std::string_view::npos;
        break;
    case 'G': f.gamma = Number16(value, 16, 0, SHRT_MAX, 100); break;
    case 'P': f.position = NumberPair(value, -1); break;
    case 'S': f.comment = ScriptUnescape(Utf8OrWindows1252(value)); break;
    case 'U': f.panel = NumberPair(value, 0); break;
    case 'W': f.wait = Number16(value, 10, 0, SHRT_MAX, 0); break;
    case 'X': f.track = Number16(value, 10, 0, SHRT_MAX, 1); break;
    case 'Y': f.rotate = Number16(value, 10, 0, 359, 0); break;
    case 'Z': f.zoom = Number16(value, 10, 0, SHRT_MAX, 100); break;
    default: break; // a key of a later version
    }
}

bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

// The files looked up while one script is decoded: albums often show one
// file many times. Bounded, so an album of distinct files costs no more
// memory than the album itself.
class FileLookups {
public:
    bool Usable(const std::string& path, SlideFileFacts& facts) {
        if (const auto found = known_.find(path); found != known_.end()) {
            facts = found->second;
            return facts.size > 0;
        }
        const bool exists = ReadSlideFileFacts(path, facts);
        if (!exists) facts = {};
        if (known_.size() < kMostRemembered) known_.emplace(path, facts);
        return facts.size > 0;
    }

    // The name as it is in the folder, when it differs only in case (a
    // script written on Windows).
    std::string CaseBlind(const std::string& folder, std::string_view name) {
        return caseBlind_.Find(folder, name);
    }

private:
    static constexpr std::size_t kMostRemembered = std::size_t{1} << 16;
    std::unordered_map<std::string, SlideFileFacts> known_;
    CaseBlindNames caseBlind_;
};

// The file of an "F" value: the name unescaped, then as written (a literal
// "?", "<" or ">"), then read as Windows-1252; each without an extension
// also with ".JPG". Empty when none of them is a usable file.
std::string FindSlideFile(const std::string& folder, std::string_view written,
                          SlideFileFacts& facts, FileLookups& lookups) {
    const auto found = [&](const std::string& name) -> std::string {
        if (!IsPlainName(name)) return {};
        if (lookups.Usable(folder + name, facts)) return name;
        if (SplitSlidePath(name).ext.empty() && lookups.Usable(folder + name + ".JPG", facts))
            return name + ".JPG";
        return {};
    };
    const std::string unescaped = ScriptUnescape(written);
    std::string name = found(unescaped);
    if (name.empty() && unescaped != written) name = found(std::string(written));
    if (name.empty() && !IsUtf8(written)) name = found(ScriptUnescape(Windows1252ToUtf8(written)));
    if (name.empty()) {
        const std::string onDisk = lookups.CaseBlind(folder, unescaped);
        if (!onDisk.empty() && onDisk != unescaped) name = found(onDisk);
    }
    return name;
}

std::uint32_t NowDosDateTime() {
    return PackDosDateTimeOf(std::time(nullptr));
}

void SetDecodedProperties(SlideRecord& r, const SlideFields& f) {
    r.wait = f.wait;
    r.zoom = f.zoom;
    // A position with a negative coordinate is no position: automatic.
    const bool placed = f.position.first >= 0 && f.position.second >= 0;
    r.posX = placed ? f.position.first : kAutomatic;
    r.posY = placed ? f.position.second : kAutomatic;
    const bool panel = f.panel.first >= 1 && f.panel.second >= 1;
    r.panelW = panel ? f.panel.first : kAutomatic;
    r.panelH = panel ? f.panel.second : kAutomatic;
    r.backColor = f.backColor.value_or(kNoBackColor);
    switch (KindOf(r)) {
    case SlideKind::Picture:
        r.effect = f.effect;
        r.gamma = f.gamma;
        r.rotate = f.rotate;
        break;
    case SlideKind::Sound:
        r.backColor = kBackColorNotApplicable;
        for (std::int16_t* field :
             {&r.effect, &r.gamma, &r.zoom, &r.posX, &r.posY, &r.panelW, &r.panelH, &r.rotate})
            *field = kNotApplicable;
        break;
    case SlideKind::Other:
    case SlideKind::CdTrack:
        r.effect = kNotApplicable;
        r.gamma = kNotApplicable;
        r.rotate = kNotApplicable;
        break;
    }
}

// Adds the slide of one section; false when its file is missing.
bool AddDecodedSlide(SlideAlbum& album, const std::vector<std::string>& folders,
                     const SlideFields& f, std::int64_t sequence, FileLookups& lookups,
                     std::string& missingPath) {
    const int at = album.Count();
    if (!f.hasFile) return false;
    if (f.cdTrack) {
        album.InsertCdTrack(std::max<int>(f.track, 1), at, NowDosDateTime());
        album.Slide(at).wait = f.wait;
    } else {
        const std::size_t comma = f.fileValue.rfind(',');
        const std::string_view name = f.fileValue.substr(0, comma);
        const auto index = Number(f.fileValue.substr(comma + 1), 10, 0, INT32_MAX).value_or(0);
        const std::string folder =
            index < static_cast<std::int64_t>(folders.size()) ? folders[index] : std::string();
        missingPath = folder + ScriptUnescape(name);
        if (index >= static_cast<std::int64_t>(folders.size())) return false;
        SlideFileFacts facts;
        const std::string found = FindSlideFile(folder, name, facts, lookups);
        if (found.empty()) return false;
        SlidePathParts parts = SplitSlidePath(found);
        parts.folder = folder;
        if (!album.AddSlide(parts, facts, at, static_cast<std::int32_t>(sequence))) return false;
        SetDecodedProperties(album.Slide(at), f);
    }
    album.Slide(at).sequence = static_cast<std::int32_t>(sequence);
    if (f.comment.find_first_not_of(' ') != std::string::npos) album.SetComment(at, f.comment);
    return true;
}

} // namespace

std::string ScriptEscape(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == ',')
            c = '?';
        else if (c == '[')
            c = '<';
        else if (c == ']')
            c = '>';
    }
    return out;
}

std::string ScriptUnescape(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '?')
            c = ',';
        else if (c == '<')
            c = '[';
        else if (c == '>')
            c = ']';
    }
    return out;
}

ScriptHeader ReadScriptHeader(std::string_view bytes, bool needFirstSlide) {
    ScriptHeader header;
    bool emptyAlbum = false; // "N=1": the script of an empty album has no "[1]"
    enum class Section { None, Header, Directory } section = Section::None;
    LineCursor lines(bytes, 0, 1);
    while (!lines.AtEnd()) {
        const std::size_t offset = lines.Offset();
        const int number = lines.Number();
        const std::string_view line = lines.Next();
        if (StartsSection(line)) {
            if (line.substr(0, 3) == "[1]") {
                header.firstSlideOffset = offset;
                header.firstSlideLine = number;
                return header;
            }
            section = SameLetters(line, "[Header]")      ? Section::Header
                      : SameLetters(line, "[Directory]") ? Section::Directory
                                                         : Section::None;
            continue;
        }
        if (line.empty()) continue;
        const std::size_t eq = line.find('=');
        if (section == Section::Header && eq != std::string_view::npos) {
            const std::string_view key = line.substr(0, eq), value = line.substr(eq + 1);
            for (std::size_t k = 0; k < kDataFileKeys.size(); ++k)
                if (SameLetters(key, kDataFileKeys[k])) header.dataFiles[k] = std::string(value);
            if (SameLetters(key, "N")) {
                header.slideCount = Number(value, 10, 1, INT32_MAX).value_or(1) - 1;
                emptyAlbum = value == "1";
            }
            if (SameLetters(key, "RUN"))
                header.runSlide = Number(value, 10, 1, INT32_MAX).value_or(1);
        } else if (section == Section::Directory) {
            const std::string k = std::to_string(header.folders.size());
            if (eq != std::string_view::npos && line.substr(0, eq) != k)
                BadScript(number, "expected \"" + k + "=\"");
            std::string folder =
                ScriptUnescape(eq == std::string_view::npos ? line : line.substr(eq + 1));
            header.folders.push_back(folder.empty() ? std::string("/") : std::move(folder));
        }
    }
    if (needFirstSlide && !emptyAlbum) throw EAlbumError(std::string(kBadAvlFile));
    return header;
}

std::string WriteAvlScript(const SlideAlbum& album, const ScriptHeader& header) {
    std::string out;
    out.reserve(256 + static_cast<std::size_t>(album.Count()) * 48);
    WriteHeader(out, album, header);
    out += "[Directory]\r\n";
    for (std::size_t k = 0; k < album.Folders().size(); ++k)
        out += std::to_string(k) + "=" + ScriptEscape(album.Folders()[k]) + "\r\n";
    out += kEol;
    for (int i = 0; i < album.Count(); ++i) WriteSlide(out, album, i);
    return out;
}

std::string WriteAvcScript(const SlideAlbum& album, const ScriptHeader& header) {
    std::string out;
    WriteHeader(out, album, header);
    out += "[Directory]\r\n/\r\n";
    return out;
}

DecodeOutcome DecodeAvlScript(std::string_view bytes, const ScriptHeader& header, SlideAlbum& album,
                              const MissingSlideQuestion& missing) {
    DecodeOutcome outcome;
    album.Clear();
    // No more room than the bytes can hold: a section takes at least 8.
    const auto room = std::min<std::int64_t>(header.slideCount, bytes.size() / 8 + 1);
    if (!album.Reserve(static_cast<std::size_t>(room)))
        throw EAlbumError("Not enough available memory.\nClose open applications, then try again.");
    // Folders of a script written on another system, where this machine has them.
    std::vector<std::string> folders = header.folders;
    for (std::string& folder : folders) {
        if (std::string found = FindOldFolder(folder, "", nullptr); !found.empty())
            folder = std::move(found);
    }
    for (const std::string& folder : folders) album.InternFolder(folder);
    LineCursor lines(bytes, header.firstSlideOffset, header.firstSlideLine);
    bool askAgain = true;
    FileLookups lookups;
    try {
        for (std::int64_t i = 1; i <= header.slideCount; ++i) {
            const std::string label = "[" + std::to_string(i) + "]";
            if (lines.AtEnd() || lines.Peek().substr(0, label.size()) != label)
                BadScript(lines.Number(), "expected \"" + label + "\"");
            lines.Next();
            SlideFields fields;
            while (!lines.AtEnd() && !StartsSection(lines.Peek())) {
                const std::string_view line = lines.Next();
                if (line.size() > 2 && line[1] == '=') ReadField(fields, line[0], line.substr(2));
            }
            std::string missingPath;
            if (AddDecodedSlide(album, folders, fields, i - 1, lookups, missingPath)) continue;
            ++outcome.missing;
            if (askAgain && missing && !missing(i, missingPath)) {
                album.Clear();
                outcome.stopped = true;
                return outcome;
            }
            askAgain = false;
        }
    } catch (...) {
        album.Clear();
        throw;
    }
    return outcome;
}

} // namespace zv
