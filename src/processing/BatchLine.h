#pragma once
// One line of a batch script: the command word alone ("ZERO"), or the word,
// "=" and an argument ("GAMMA=200,200,200"). The word is compared without
// regard to case. A numeric argument is up to three whole numbers P1, P2, P3
// separated by ","; blanks before a number are allowed, a missing number
// reads as 0, and anything else makes the line malformed (so does a fourth
// number). Words containing TEXTMARK, SAVE, STRING or LOADFILE take the rest
// of the line after the first "=" as text, case kept and not split.
//
// P1..P3 persist from line to line: a word without "=" runs with the numbers
// the last numeric line gave. Empty lines and lines starting with ">"
// (inactive lines) are skipped.

#include "processing/ToneMaps.h"

#include <string>
#include <string_view>

namespace zv {

enum class BatchLineKind {
    Blank,     // empty or only blanks
    Inactive,  // starts with ">"
    Command,   // a word, with or without an argument
    Malformed, // a word with a numeric argument that does not read
};

struct BatchLine {
    BatchLineKind kind = BatchLineKind::Blank;
    std::string word;          // upper case
    bool hasArgument = false;  // an "=" followed the word
    bool textArgument = false; // the word takes text
    std::string argument;      // everything after the first "=", as written
    EffectValues numbers;      // P1..P3 of a numeric argument
    std::string problem;       // for Malformed: what does not read
};

BatchLine ParseBatchLine(std::string_view line);

// The key a word is looked up by: ASCII upper case.
std::string BatchWordKey(std::string_view word);
// Whether a word takes a text argument.
bool IsTextWord(std::string_view word);

// "WORD=V1,V2,V3" with the first `count` values (0..3); the word alone for 0.
std::string FormatBatchLine(std::string_view word, const EffectValues& values, int count);

// The parameters in force for a command line: a numeric line sets and
// returns its numbers; a word without "=" returns the ones kept from before.
// `kept` starts at 0 for each run.
EffectValues ParametersFor(const BatchLine& line, EffectValues& kept);

} // namespace zv
