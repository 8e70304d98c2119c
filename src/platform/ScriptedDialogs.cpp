#include "platform/ScriptedDialogs.h"

namespace zv {

namespace {
template <typename T> T TakeFront(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}
} // namespace

Answer ScriptedDialogs::SafeAnswer(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::YesNo: return Answer::No;
    case Buttons::OkCancel: return Answer::Cancel;
    case Buttons::OkIgnore: return Answer::Ok;
    case Buttons::YesNoIgnore: return Answer::No;
    case Buttons::OkCancelIgnore: return Answer::Cancel;
    case Buttons::SaveDiscardCancel: return Answer::Cancel;
    }
    return Answer::Ok;
}

Answer ScriptedDialogs::Box(BoxKind kind, const std::string& text, Buttons buttons) {
    boxes.push_back({kind, text, buttons});
    return TakeFront(answers, SafeAnswer(buttons));
}

std::vector<std::string> ScriptedDialogs::OpenFiles(FileDialogRequest& request) {
    fileRequests.push_back(request);
    return TakeFront(openResults, std::vector<std::string>{});
}

std::optional<std::string> ScriptedDialogs::SaveFile(FileDialogRequest& request) {
    fileRequests.push_back(request);
    return TakeFront(saveResults, std::optional<std::string>{});
}

std::optional<std::string> ScriptedDialogs::BrowseFolder(const std::string& caption,
                                                         const std::string&, const std::string&) {
    folderCaptions.push_back(caption);
    return TakeFront(folderResults, std::optional<std::string>{});
}

std::optional<ColourRef> ScriptedDialogs::ChooseColour(ColourRef) {
    return TakeFront(colourResults, std::optional<ColourRef>{});
}

bool ScriptedDialogs::ChooseFont(FontChoice&) {
    return false;
}

std::optional<std::string> ScriptedDialogs::AskText(const std::string& title, const std::string&,
                                                    const std::string&) {
    textTitles.push_back(title);
    return TakeFront(textResults, std::optional<std::string>{});
}

std::vector<std::string> ScriptedDialogs::Texts() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes) texts.push_back(box.text);
    return texts;
}

const std::string& ScriptedDialogs::LastText() const {
    static const std::string none;
    return boxes.empty() ? none : boxes.back().text;
}

} // namespace zv
