#include "processing/BatchLine.h"

#include <charconv>

namespace zv {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// One number of a numeric argument: leading blanks, an optional sign, digits
// and nothing else, within the range of int.
bool ReadNumber(std::string_view part, int& value) {
    while (!part.empty() && IsBlank(part.front())) part.remove_prefix(1);
    if (!part.empty() && part.front() == '+') {
        part.remove_prefix(1);
        if (!part.empty() && part.front() == '-') return false;
    }
    if (part.empty()) return false;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    return error == std::errc() && end == part.data() + part.size();
}

void Malformed(BatchLine& line, std::string problem) {
    line.kind = BatchLineKind::Malformed;
    line.numbers = {};
    line.problem = std::move(problem);
}

void ReadNumbers(BatchLine& line) {
    std::string_view rest = line.argument;
    int values[3] = {0, 0, 0};
    for (int n = 0; n < 3 && !rest.empty(); ++n) {
        // The third part runs to the end, so a fourth number spoils it.
        const std::size_t comma = n < 2 ? rest.find(',') : std::string_view::npos;
        const std::string_view part = rest.substr(0, comma);
        if (!ReadNumber(part, values[n])) {
            Malformed(line, "P" + std::to_string(n + 1) + " \"" + std::string(part) +
                                "\" is not a whole number" +
                                (n == 2 && part.find(',') != std::string_view::npos
                                     ? " (a line takes at most three numbers)"
                                     : ""));
            return;
        }
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
        if (rest.empty()) {
            Malformed(line, "P" + std::to_string(n + 2) + " is empty");
            return;
        }
    }
    line.numbers = {values[0], values[1], values[2]};
}

} // namespace

std::string BatchWordKey(std::string_view word) {
    std::string key(word);
    for (char& c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return key;
}

bool IsTextWord(std::string_view word) {
    const std::string key = BatchWordKey(word);
    for (const char* mark : {"TEXTMARK", "SAVE", "STRING", "LOADFILE"})
        if (key.find(mark) != std::string::npos) return true;
    return false;
}

BatchLine ParseBatchLine(std::string_view text) {
    BatchLine line;
    // Lines read from a file may keep the carriage return of a CR LF ending.
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.remove_suffix(1);
    if (text.find_first_not_of(" \t") == std::string_view::npos) return line;
    if (text.front() == '>') {
        line.kind = BatchLineKind::Inactive;
        return line;
    }
    line.kind = BatchLineKind::Command;
    const std::size_t equals = text.find('=');
    line.word = BatchWordKey(text.substr(0, equals));
    line.textArgument = IsTextWord(line.word);
    if (equals == std::string_view::npos) return line;
    line.hasArgument = true;
    line.argument = std::string(text.substr(equals + 1));
    if (!line.textArgument) {
        if (line.argument.empty())
            Malformed(line, "nothing follows \"=\"");
        else
            ReadNumbers(line);
    }
    return line;
}

std::string FormatBatchLine(std::string_view word, const EffectValues& values, int count) {
    std::string line(word);
    for (int n = 0; n < count && n < 3; ++n) line += (n ? "," : "=") + std::to_string(values[n]);
    return line;
}

EffectValues ParametersFor(const BatchLine& line, EffectValues& kept) {
    if (line.kind == BatchLineKind::Command && line.hasArgument && !line.textArgument)
        kept = line.numbers;
    return kept;
}

} // namespace zv
