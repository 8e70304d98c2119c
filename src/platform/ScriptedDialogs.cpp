#include "platform/ScriptedDialogs.h"

#include <algorithm>

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
    case Buttons::YesNoCancel: return Answer::Cancel;
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

void ScriptedDialogs::EffectDialog(EffectDialogSession& session) {
    ShownDialog shown{session.Title(), {}, {}, 0, {}};
    for (int n = 0; n < session.RowCount(); ++n) shown.captions.push_back(session.Row(n).caption);
    using Kind = DialogStep::Kind;
    for (const DialogStep& step : TakeFront(dialogScripts, DialogScript{})) {
        if (session.Closed()) break;
        switch (step.kind) {
        case Kind::Slider: session.SetSlider(step.a, step.b); break;
        case Kind::Type: session.TypeText(step.a, step.text); break;
        case Kind::Pick: session.Pick(step.a, step.b); break;
        case Kind::Test: session.Test(); break;
        case Kind::Reset: session.Reset(); break;
        case Kind::Curve:
            session.Curve();
            if (!session.CurveTitle().empty()) shown.curveTitles.push_back(session.CurveTitle());
            break;
        case Kind::ScrollBars: session.ShowScrollBars(step.a != 0); break;
        case Kind::Ok: session.Apply(); break;
        case Kind::Cancel: session.Cancel(); break;
        default: break;
        }
    }
    if (!session.Closed()) session.Cancel();
    shown.panelText = session.PanelText();
    shown.previews = session.Previews();
    dialogs.push_back(std::move(shown));
}

void ScriptedDialogs::ParameterDialog(ParameterDialogModel& model) {
    ShownDialog shown{model.Title(), {}, {}, 0, {}};
    for (const std::string& caption : model.PresetCaptions())
        if (!caption.empty()) shown.captions.push_back(caption);
    using Kind = DialogStep::Kind;
    for (const DialogStep& step : TakeFront(dialogScripts, DialogScript{})) {
        if (model.Closed()) break;
        switch (step.kind) {
        case Kind::Slider: model.SetPosition(step.b); break;
        case Kind::Type: model.TypeText(step.text); break;
        case Kind::Preset: model.ChoosePreset(step.a); break;
        case Kind::Ok: model.Ok(); break;
        case Kind::Cancel: model.Cancel(); break;
        default: break;
        }
    }
    if (!model.Closed()) model.Cancel();
    dialogs.push_back(std::move(shown));
}

void ScriptedDialogs::GridDialog(GridDialogModel& model) {
    using Kind = DialogStep::Kind;
    for (const DialogStep& step : TakeFront(dialogScripts, DialogScript{})) {
        if (model.Closed()) break;
        switch (step.kind) {
        case Kind::Counts:
            model.SetColumns(step.a);
            model.SetRows(step.b);
            break;
        case Kind::Cell: model.Click(step.a, step.b); break;
        case Kind::Ok: model.Ok(); break;
        case Kind::Cancel: model.Cancel(); break;
        default: break;
        }
    }
    if (!model.Closed()) model.Cancel();
    dialogs.push_back({model.Caption(), {}, {}, 0, {}});
}

void ScriptedDialogs::SizeDialog(SizeDialogModel& model) {
    ShownDialog shown{model.Title(), {}, {}, 0, {}};
    for (SizeBox box : {SizeBox::Width, SizeBox::Height, SizeBox::XScale, SizeBox::YScale})
        shown.captions.push_back(model.Label(box));
    using Kind = DialogStep::Kind;
    for (const DialogStep& step : TakeFront(dialogScripts, DialogScript{})) {
        if (model.Closed()) break;
        const auto box = static_cast<SizeBox>(std::clamp(step.a, 0, 3));
        switch (step.kind) {
        case Kind::Type: model.Type(box, step.text); break;
        case Kind::Spin: model.Spin(box, step.b != 0); break;
        case Kind::Reset: model.Reset(); break;
        case Kind::Ok: model.Ok(); break;
        case Kind::Cancel: model.Cancel(); break;
        default: break;
        }
    }
    if (!model.Closed()) model.Cancel();
    dialogs.push_back(std::move(shown));
}

void ScriptedDialogs::JpegWizard(JpegWizardSession& session) {
    ShownDialog shown{
        session.Title(), {session.AmountRow().caption, session.QualityRow().caption}, {}, 0, {}};
    using Kind = DialogStep::Kind;
    for (const DialogStep& step : TakeFront(dialogScripts, DialogScript{})) {
        if (session.Closed()) break;
        switch (step.kind) {
        case Kind::Slider:
            step.a == 0 ? session.SetAmount(step.b) : session.SetQuality(step.b);
            break;
        case Kind::Type:
            step.a == 0 ? session.TypeAmount(step.text) : session.TypeQuality(step.text);
            break;
        case Kind::Check:
            step.a == 0 ? session.SetProgressive(step.b != 0) : session.SetSubsample(step.b != 0);
            break;
        case Kind::Choose: session.SetFilter(step.a); break;
        case Kind::Test:
            session.Test();
            ++shown.previews;
            break;
        case Kind::Ok: session.Accept(); break;
        case Kind::Cancel: session.Close(); break;
        default: break;
        }
    }
    if (!session.Closed()) session.Close();
    shown.panelText = session.RatioText();
    dialogs.push_back(std::move(shown));
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
