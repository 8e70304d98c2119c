// The viewer window's toolbox commands: the histogram window, and the run
// of any operation by its batch word through the one toolbox protocol (the
// menu items are in the viewer's action table).

#include "imaging/MemoryCheck.h"
#include "platform/Dialogs.h"
#include "processing/FilterOperations.h"
#include "processing/GeometryOperations.h"
#include "processing/Histogram.h"
#include "processing/ImageReport.h"
#include "processing/TextMarkLayout.h"
#include "processing/Toolbox.h"
#include "processing/ToolboxProtocol.h"
#include "processing/ui/HistogramDialog.h"
#include "viewer/ui/WebForm.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <optional>

namespace zv {

bool TWebForm::RunToolboxCommand(const char* word) {
    const ToolboxOperation* op = TheToolbox().FindWord(word);
    if (!op) return false;
    RunToolboxOperation(*op);
    return true;
}

bool TWebForm::ToolboxReady() const {
    return toolboxHost_ && document_ && document_->PictureReady() && !imaging_.current.Empty();
}

void TWebForm::RunToolboxOperation(const ToolboxOperation& op) {
    if (!ToolboxReady()) return;
    zv::RunToolboxOperation(op, *toolboxHost_, toolbox_, RunMode::Interactive);
}

namespace {

// The size dialog's mode with the colour panel and no percentages.
constexpr int kColourPanelMode = -2;

// Runs the operation of a batch word with the values asked for.
void RunWordWith(const char* word, ToolboxHost& host, ToolboxContext& toolbox,
                 EffectValues values) {
    if (const ToolboxOperation* op = TheToolbox().FindWord(word))
        zv::RunToolboxOperation(*op, host, toolbox, RunMode::Interactive, values);
}

// The number of a parameter dialog, or nothing after Cancel.
std::optional<int> AskParameter(Dialogs& dialogs, const char* title, const char* minLabel,
                                const char* maxLabel, const ParameterDialogRecord& record) {
    ParameterDialogModel model(title, minLabel, maxLabel, record);
    dialogs.ParameterDialog(model);
    return model.Result();
}

} // namespace

void TWebForm::RotateCommand(int degrees) {
    if (ToolboxReady()) RunWordWith("ROTATE", *toolboxHost_, toolbox_, {degrees, 0, 0});
}

void TWebForm::EffectCommand(int code) {
    if (const ToolboxOperation* op = TheToolbox().FindCode(code)) RunToolboxOperation(*op);
}

void TWebForm::ResizeCommand(bool resample) {
    if (!ToolboxReady() || !dialogs_) return;
    const int bits = imaging_.descriptor.ImageBits;
    const bool smooth = resample && bits >= 8;
    const int width = imaging_.current.Width();
    const int height = imaging_.current.Height();
    SizeDialogRequest request;
    request.width = width;
    request.height = height;
    request.title = smooth ? "Image Resample" : "Image Resize";
    request.mode = bits;
    SizeDialogModel model(request);
    dialogs_->SizeDialog(model);
    const std::optional<SizeDialogResult> size = model.Result();
    if (!size || (size->width == width && size->height == height)) return;
    RunWordWith(smooth ? "RESAMPLE" : "RESIZE", *toolboxHost_, toolbox_,
                {size->width, size->height, size->copyOption});
}

void TWebForm::RotateAskedCommand(int unit) {
    if (!ToolboxReady() || !dialogs_ || (unit != 1 && unit != 100)) return;
    ParameterDialogRecord record{
        .min = 1,
        .max = 35999 / unit,
        .start = 9000 / unit,
        .largeStep = 300 / unit,
        .smallStep = 1,
        .presets = {3000 / unit, 4500 / unit, 6000 / unit, 9000 / unit, 18000 / unit, 27000 / unit},
        .showPresets = true};
    const std::optional<int> angle = AskParameter(*dialogs_, "Rotate image (deg.)", "", "", record);
    if (!angle) return;
    if (unit == 100)
        RotateCommand(*angle);
    else
        RunRotateFine(*toolboxHost_, toolbox_, *angle);
}

void TWebForm::ArtifactsCommand() {
    if (!ToolboxReady() || !dialogs_) return;
    const ParameterDialogRecord record{
        .min = 1, .max = 255, .start = artifactsTag_, .largeStep = 8, .smallStep = 1};
    const std::optional<int> quality =
        AskParameter(*dialogs_, "Add JPEG artifacts", "1=(low)", "255=(high)", record);
    if (!quality) return;
    artifactsTag_ = *quality;
    RunWordWith("ARTIFACT", *toolboxHost_, toolbox_, {*quality, 0, 0});
}

void TWebForm::BorderCommand() {
    if (!ToolboxReady() || !dialogs_) return;
    const QScreen* shown = screen();
    const QSize screenSize = shown ? shown->size() : QSize(1024, 768);
    SizeDialogRequest request;
    request.width = borderTag_ / 256;
    request.height = borderTag_ % 128;
    request.title = "Set Border";
    request.mode = kColourPanelMode;
    request.widthLimit = std::min(2 * screenSize.width() - 1, 127);
    request.heightLimit = std::min(2 * screenSize.height() - 1, 127);
    SizeDialogModel model(request);
    dialogs_->SizeDialog(model);
    const std::optional<SizeDialogResult> border = model.Result();
    if (!border || border->width < 1 || border->height < 1) return;
    borderTag_ = border->width * 256 + border->height % 128;
    RunWordWith("BORDER", *toolboxHost_, toolbox_,
                {static_cast<int>(border->colour & 0xFFFFFF), border->width, border->height});
}

void TWebForm::ReduceDitheredCommand(int item) {
    static constexpr const char* kWords[] = {"REDUCE_256", "REDUCE_GRAY256", "REDUCE_16",
                                             "REDUCE_BW"};
    if (item < 0 || item > 3 || !ToolboxReady() || !dialogs_) return;
    const ParameterDialogRecord record{
        .min = 0, .max = 2, .start = 2, .largeStep = 1, .smallStep = 1, .trackBar = true};
    const std::optional<int> method =
        AskParameter(*dialogs_, "Color reduction method", "Standard", "Optimal", record);
    if (method) RunWordWith(kWords[item], *toolboxHost_, toolbox_, {*method, 0, 0});
}

void TWebForm::AutoResizeCommand() {
    if (!toolboxHost_ || !document_ || !document_->PictureReady() || document_->MediaMode() ||
        imaging_.current.Empty())
        return;
    const ViewArea area = ViewSize();
    const zv::ViewSize fitted = FitSize({imaging_.current.Width(), imaging_.current.Height()},
                                        {area.width, area.height}, true);
    RunAutoResize(*toolboxHost_, toolbox_, {fitted.width, fitted.height});
    QCoreApplication::processEvents();
    DocumentChanged();
}

void TWebForm::TextMarkCommand(int corner) {
    static constexpr const char* kWords[] = {"TEXTMARK_TOPLEFT", "TEXTMARK_TOPRIGHT",
                                             "TEXTMARK_BOTTOMLEFT", "TEXTMARK_BOTTOMRIGHT"};
    if (corner < 0 || corner > 3 || !dialogs_ || !toolboxHost_ || !document_ ||
        !document_->PictureReady() || imaging_.current.Empty())
        return;
    const std::optional<std::string> text =
        dialogs_->AskText(kTextMarkTitle, kTextMarkPrompt, lastTextMark_);
    if (!text) return;
    lastTextMark_ = *text;
    if (const ToolboxOperation* mark = TheToolbox().FindWord(kWords[corner]))
        zv::RunToolboxOperation(*mark, *toolboxHost_, toolbox_, RunMode::Interactive, {}, *text);
}

void TWebForm::MarkPictureModified() {
    if (document_) document_->PictureChanged();
    DocumentChanged();
}

void TWebForm::HistogramCommand() {
    if (!document_ || !document_->PictureReady() || imaging_.current.Empty()) return;
    if (imaging_.current.Format() != PixelFormat::Bits24) {
        EnsureTrueColour(imaging_);
        ShowPicture();
        DocumentChanged();
    }
    SetBusy(QStringLiteral("Histogram..."));
    DoCalcHistogram(imaging_.current, histogram_, true, false, false);
    StatusReady();
    const QString name =
        QString::fromStdString(std::filesystem::path(document_->CurrentPath()).filename().string());
    if (!histogramDlg_) histogramDlg_ = new THistogramDlg(histogram_, QString(), this);
    histogramDlg_->setWindowTitle(QStringLiteral("Histogram [") + name + QStringLiteral("]"));
    histogramDlg_->ShowNearPointer();
}

namespace {

// What the analysis of the viewer's current picture needs besides the pixels.
struct AnalyzedPicture {
    ReportedFile file;
    ImageAnalysis analysis;
};

std::int64_t FileSizeOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::int64_t>(size);
}

} // namespace

void TWebForm::AnalyzeCommand(bool fromButton, Qt::KeyboardModifiers keys) {
    if (!document_ || !history_ || !dialogs_) return;
    const bool shift = keys.testFlag(Qt::ShiftModifier);
    const bool ctrl = keys.testFlag(Qt::ControlModifier);
    const int entries = history_->Count();
    const bool compare = (ctrl && entries >= 2) || (!fromButton && entries == 2);
    if (fromButton && !ctrl && !shift && !compare) return; // the picture information window

    std::vector<AnalyzedPicture> analysed;
    for (int picture = 0; picture < (compare ? 2 : 1); ++picture) {
        if (picture == 1) document_->Step(HistoryStep::Next);
        const std::string path = document_->CurrentPath();
        const std::filesystem::path file(path);
        if (!std::filesystem::exists(file)) {
            dialogs_->Box(BoxKind::Error, file.filename().string() + " not found.", Buttons::Ok);
            return;
        }
        if (!document_->PictureReady() || imaging_.current.Empty()) return;
        const bool modified = document_->Modified();
        if (!TakeUndoCopy()) return;
        if (imaging_.current.Format() != PixelFormat::Bits24) {
            EnsureTrueColour(imaging_);
            ShowPicture();
        }
        SetBusy(QStringLiteral("Analyzing..."));
        AnalyzedPicture result;
        result.file.name = file.filename().string();
        result.file.folder = file.parent_path().string() + "/";
        result.file.state = modified ? ReportedState::Modified : ReportedState::AsLoaded;
        try {
            std::optional<std::int64_t> divisor;
            if (shift) divisor = ImageByteSize(imaging_.descriptor, imaging_.autoReduce);
            result.analysis = AnalyzePicture(imaging_.current, FileSizeOf(path), divisor);
        } catch (const std::exception& error) {
            StatusReady();
            dialogs_->Box(BoxKind::Error, error.what(), Buttons::Ok);
            return;
        }
        StatusReady();
        analysed.push_back(std::move(result));
    }

    std::vector<std::string> lines;
    if (compare) {
        lines = CompareReportLines(analysed[0].file, analysed[0].analysis, analysed[1].file,
                                   analysed[1].analysis);
    } else {
        AppendReportLines(lines, analysed[0].file, analysed[0].analysis, false);
        if (dialogs_->Box(BoxKind::Information, ReportQuestionText(lines), Buttons::YesNo) !=
            Answer::Yes)
            return;
    }
    try {
        const std::filesystem::path report = WriteImageReport(reportFolder, lines);
        const bool opened = openTextFile ? openTextFile(report.string())
                                         : QDesktopServices::openUrl(QUrl::fromLocalFile(
                                               QString::fromStdString(report.string())));
        if (!opened) SetStatusText(QStringLiteral("Report saved."));
    } catch (const std::exception& error) {
        dialogs_->Box(BoxKind::Error, error.what(), Buttons::Ok);
    }
}

} // namespace zv
