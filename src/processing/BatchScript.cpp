#include "processing/BatchScript.h"

#include "platform/TextEncoding.h"
#include "processing/BatchLine.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zv {

namespace {

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// What one run keeps from line to line.
struct RunState {
    BatchHost& host;
    BatchRunResult& result;
    bool trace = false;
    bool loop = false;
    bool loopRefusedNoted = false;
    bool savesWroteOther = true; // every SAVE of this pass wrote another file
    std::string traceText;
    bool stop = false;
    BatchEnd end = BatchEnd::Finished;

    void Stop(BatchEnd why) {
        stop = true;
        end = why;
    }
};

using ControlAction = void (*)(RunState& state, const BatchLine& line, const EffectValues& p);

struct ControlWord {
    const char* word;
    ControlAction action;
};

void AskFileString(RunState& state, const std::string& text, bool wantContained) {
    const std::string file = state.host.FileName();
    const bool contains = AsciiLower(file).find(AsciiLower(text)) != std::string::npos;
    if (contains != wantContained) return;
    const std::string question =
        file + (contains ? " contains \"" : " does not contain \"") + text + "\"\nAbort?";
    if (state.host.AskAbortWarning(question)) state.Stop(BatchEnd::Aborted);
}

void AfterLoad(RunState& state, bool loaded, const char* word) {
    if (loaded) {
        state.host.EnsureTrueColour();
        return;
    }
    state.result.notes.push_back(std::string(word) + " loaded no picture; the run stops");
    state.Stop(BatchEnd::LoadFailed);
}

// A suffix is part of a file name: a "/" would put the file in another folder.
bool SaveSuffixAllowed(std::string_view suffix) {
    return suffix.find('/') == std::string_view::npos &&
           suffix.find('\0') == std::string_view::npos;
}

void RunSave(RunState& state, const BatchLine& line) {
    if (!SaveSuffixAllowed(line.argument)) {
        state.result.notes.push_back("SAVE refused: the suffix \"" + line.argument +
                                     "\" names another folder");
        state.savesWroteOther = false;
        return;
    }
    if (state.host.Save(line.argument) != BatchSaveOutcome::WroteOther)
        state.savesWroteOther = false;
}

void RunDelete(RunState& state) {
    // Deleting is safe only when the picture lives on in a file of its own.
    if (!state.savesWroteOther) {
        state.result.notes.push_back(
            "DELETE skipped: a SAVE of this pass did not write another file");
        return;
    }
    if (!state.host.DeleteCurrent())
        state.result.notes.push_back("DELETE could not delete " + state.host.FileName());
}

// P1 = left + 65536 * top, P2 = right + 65536 * bottom.
void RunCrop(RunState& state, const EffectValues& p) {
    if (p[0] < 0 || p[1] < 0) return;
    const PictureRect rect{p[0] % 65536, p[0] / 65536, p[1] % 65536, p[1] / 65536};
    const Bitmap& picture = state.host.Picture();
    if (rect.left >= rect.right || rect.top >= rect.bottom || rect.right > picture.Width() ||
        rect.bottom > picture.Height())
        return;
    state.host.Crop(rect);
}

void RunLoop(RunState& state) {
    if (state.host.LoopAllowed()) {
        state.loop = true;
    } else if (!state.loopRefusedNoted) {
        state.loopRefusedNoted = true;
        state.result.notes.push_back("LOOP is ignored here");
    }
}

// The interpreter's own words; PROMPT and TRACE act after the line (Run).
constexpr std::array<ControlWord, 16> kControlWords{{
    {"PROMPT", [](RunState&, const BatchLine&, const EffectValues&) {}},
    {"PROMPTSTRING",
     [](RunState& s, const BatchLine& line, const EffectValues&) {
         if (s.host.AskAbort(line.argument + "\n" + kAbortQuestionText)) s.Stop(BatchEnd::Aborted);
     }},
    {"TRACE", [](RunState&, const BatchLine&, const EffectValues&) {}},
    {"PROMPT_NOT_FILESTRING", [](RunState& s, const BatchLine& line,
                                 const EffectValues&) { AskFileString(s, line.argument, false); }},
    {"PROMPT_HAS_FILESTRING", [](RunState& s, const BatchLine& line,
                                 const EffectValues&) { AskFileString(s, line.argument, true); }},
    {"LOOP", [](RunState& s, const BatchLine&, const EffectValues&) { RunLoop(s); }},
    {"NEXT", [](RunState& s, const BatchLine&,
                const EffectValues&) { AfterLoad(s, s.host.MoveNext(), "NEXT"); }},
    {"PREVIOUS", [](RunState& s, const BatchLine&,
                    const EffectValues&) { AfterLoad(s, s.host.MovePrevious(), "PREVIOUS"); }},
    {"RELOAD",
     [](RunState& s, const BatchLine&, const EffectValues&) {
         s.host.ClearModified();
         AfterLoad(s, s.host.Reload(), "RELOAD");
     }},
    {"LOADFILE",
     [](RunState& s, const BatchLine& line, const EffectValues&) {
         s.host.ClearModified();
         AfterLoad(s, s.host.LoadFile(line.argument), "LOADFILE");
     }},
    {"NOMODIFYFLAG",
     [](RunState& s, const BatchLine&, const EffectValues&) { s.host.ClearModified(); }},
    {"SAVE", [](RunState& s, const BatchLine& line, const EffectValues&) { RunSave(s, line); }},
    {"DELETE", [](RunState& s, const BatchLine&, const EffectValues&) { RunDelete(s); }},
    {"TRUECOLOR",
     [](RunState& s, const BatchLine&, const EffectValues&) {
         s.host.EnsureTrueColour();
         s.host.Refresh();
     }},
    {"REFRESH", [](RunState& s, const BatchLine&, const EffectValues&) { s.host.Refresh(); }},
    {"CROP", [](RunState& s, const BatchLine&, const EffectValues& p) { RunCrop(s, p); }},
}};

const ControlWord* FindControl(std::string_view word) {
    const std::string key = BatchWordKey(word);
    for (const ControlWord& control : kControlWords)
        if (key == control.word) return &control;
    return nullptr;
}

// Runs one line; false when it matched nothing and so is passed over.
bool RunLine(RunState& state, const std::string& text, EffectValues& kept, ToolboxContext& tb,
             const ToolboxRegistry& registry) {
    const BatchLine line = ParseBatchLine(text);
    if (line.kind == BatchLineKind::Blank || line.kind == BatchLineKind::Inactive) return false;
    if (const ControlWord* control = FindControl(line.word)) {
        if (line.kind == BatchLineKind::Malformed) return false;
        control->action(state, line, ParametersFor(line, kept));
        return true;
    }
    const LineResult run = RunToolboxLine(text, registry, kept, state.host, tb);
    if (!run.message.empty()) state.result.notes.push_back(run.message);
    return run.outcome == LineOutcome::Ran;
}

// After a PROMPT, and after every line while tracing: the question.
void AskAfterLine(RunState& state, const std::string& word) {
    if (state.trace) state.traceText += word + "\n";
    state.host.Repaint();
    const std::string text =
        (state.trace ? state.traceText : std::string()) + "\n" + kAbortQuestionText;
    if (state.host.AskAbort(text)) state.Stop(BatchEnd::Aborted);
}

void RunPass(RunState& state, const std::vector<std::string>& script, EffectValues& kept,
             ToolboxContext& tb, const ToolboxRegistry& registry) {
    state.savesWroteOther = true;
    for (const std::string& text : script) {
        if (state.host.CancelRequested()) return state.Stop(BatchEnd::Cancelled);
        if (state.host.MustStop()) return state.Stop(BatchEnd::Stopped);
        state.host.EnsureTrueColour();
        if (!RunLine(state, text, kept, tb, registry) || state.stop) {
            if (state.stop) return;
            continue;
        }
        const std::string word = ParseBatchLine(text).word;
        if (word == "PROMPT" || state.trace) AskAfterLine(state, word);
        if (state.stop) return;
        if (word == "TRACE") state.trace = true;
    }
}

} // namespace

bool IsRunControlWord(std::string_view word) {
    return FindControl(word) != nullptr;
}

BatchRunResult DoBatchImageProcess(const std::vector<std::string>& script, BatchHost& host,
                                   ToolboxContext& tb, const ToolboxRegistry& registry) {
    BatchRunResult result;
    RunState state{host, result};
    EffectValues kept{};
    host.ClearWorkingBitmaps(true);
    do {
        ++result.passes;
        RunPass(state, script, kept, tb, registry);
    } while (state.loop && !state.stop);
    host.ClearWorkingBitmaps(false);
    result.end = state.end;
    return result;
}

std::vector<std::string> CheckBatchScript(const std::vector<std::string>& script,
                                          const ToolboxRegistry& registry) {
    std::vector<std::string> problems;
    for (std::size_t i = 0; i < script.size(); ++i) {
        const BatchLine line = ParseBatchLine(script[i]);
        if (line.kind == BatchLineKind::Blank || line.kind == BatchLineKind::Inactive) continue;
        const std::string at = "line " + std::to_string(i + 1) + " \"" + script[i] + "\": ";
        const ToolboxOperation* op = registry.FindWord(line.word);
        if (!IsRunControlWord(line.word) && !op)
            problems.push_back(at + "unknown command word \"" + line.word + "\"");
        else if (op && (op->needs & kToolOnly) != 0)
            problems.push_back(at + "a word of zelvan-tool apply only");
        else if (line.kind == BatchLineKind::Malformed)
            problems.push_back(at + line.problem);
        else if (line.word == "SAVE" && !SaveSuffixAllowed(line.argument))
            problems.push_back(at + "a SAVE suffix may not contain \"/\"");
    }
    return problems;
}

std::vector<std::string> SplitBatchScript(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    const std::string text = Utf8OrWindows1252(bytes);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> ReadBatchScript(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the script " + path.string());
    std::string bytes;
    bytes.resize(kMaxBatchScriptBytes + 1);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) throw std::runtime_error("cannot read the script " + path.string());
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    if (bytes.size() > kMaxBatchScriptBytes)
        throw std::runtime_error("the script " + path.string() + " is larger than 1 MB");
    return SplitBatchScript(bytes);
}

} // namespace zv
