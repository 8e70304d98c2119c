#include "album/ui/CommentForm.h"

#include "album/JpegComments.h"
#include "formats/JpegReader.h"
#include "platform/Extensions.h"
#include "platform/FileDate.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <filesystem>

namespace zv {

namespace fs = std::filesystem;

namespace {

// "<width> x <height> (<bits> bpp)" from the picture's header, or nothing.
std::string PictureSizeText(ByteSpan file) {
    try {
        TJpegReader reader;
        const ByteSpan jpeg = file.subspan(MacHeaderLength(file));
        reader.ReadHeader(Bytes(jpeg.begin(), jpeg.end()));
        return std::to_string(reader.Width()) + " x " + std::to_string(reader.Height()) + " (" +
               std::to_string(reader.ImageBits()) + " bpp)";
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

TCommentForm::TCommentForm(CommentFormServices services, QWidget* parent)
    : QMainWindow(parent), services_(services) {
    setWindowTitle(QString::fromLatin1(kJpegTextCaption));

    QMenuBar* menu = menuBar();
    connect(menu->addAction(QStringLiteral("&Read")), &QAction::triggered, this,
            &TCommentForm::mnuReadClick);
    connect(menu->addAction(QStringLiteral("&Add text")), &QAction::triggered, this,
            &TCommentForm::mnuAddTextClick);
    QMenu* strip = menu->addMenu(QStringLiteral("&Strip"));
    connect(strip->addAction(QStringLiteral("&All extra info")), &QAction::triggered, this,
            &TCommentForm::mnuStripAllClick);
    connect(strip->addAction(QStringLiteral("&Comments only")), &QAction::triggered, this,
            &TCommentForm::mnuStripCommentsClick);
    connect(menu->addAction(QStringLiteral("&Close")), &QAction::triggered, this,
            &TCommentForm::mnuCloseClick);
    // The help pages are not shipped yet; the topic is kCommentFormHelpContext.
    menu->addAction(QStringLiteral("&Help"))->setEnabled(false);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    text_ = new QPlainTextEdit(central);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(text_, 1);
    info_ = new QLabel(central);
    info_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(info_);
    setCentralWidget(central);
}

TCommentForm::~TCommentForm() = default;

std::string TCommentForm::Text() const {
    return text_->toPlainText().toStdString();
}

void TCommentForm::SetText(const std::string& text) {
    text_->setPlainText(QString::fromStdString(text));
}

void TCommentForm::SetViewText(const std::string& view) {
    infoLine_ = infoWithoutView_ + view;
    ShowInfoLine();
}

void TCommentForm::ShowInfoLine() {
    // The label shows the LF CR breaks as plain line breaks.
    QString shown = QString::fromStdString(infoLine_);
    shown.remove(QLatin1Char('\r'));
    info_->setText(shown);
}

TCommentForm::ReadOutcome TCommentForm::ReadFile(const std::string& path,
                                                 const std::string& pictureLine) {
    if (!ExtensionIn(UpperExtension(path), kJpegReadExtensions)) return ReadOutcome::NotJpeg;
    text_->clear();
    commentLines_.clear();
    fileName_ = path;
    setWindowTitle(QString::fromStdString(path));
    JpegText text;
    std::uint64_t size = 0;
    std::string view = pictureLine;
    try {
        // The bytes live only while they are read.
        const JpegBytes bytes = ReadJpegFile(path);
        text = ReadJpegText(bytes);
        size = bytes.size();
        if (view.empty()) view = PictureSizeText(bytes);
    } catch (const std::exception&) {
        return ReadOutcome::Failed;
    }
    SetText(text.Text());
    commentLines_ = text.commentLines;
    infoWithoutView_ = JpegInfoLine(size, FileDateText(path), {});
    SetViewText(view);
    return ReadOutcome::Read;
}

bool TCommentForm::Read(const std::string& path, const std::string& pictureLine) {
    switch (ReadFile(path, pictureLine)) {
    case ReadOutcome::NotJpeg: return false;
    case ReadOutcome::Failed:
        services_.dialogs.Error(kBadJpegMarkers);
        hide();
        return false;
    case ReadOutcome::Read: break;
    }
    ShowWindow();
    return true;
}

std::optional<std::string> TCommentForm::ReadText(const std::string& path,
                                                  const std::string& pictureLine) {
    if (ReadFile(path, pictureLine) != ReadOutcome::Read) return std::nullopt;
    return Text();
}

void TCommentForm::ShowWindow() {
    if (isVisible()) {
        // Already open: it stays where the user put it.
        raise();
        activateWindow();
        return;
    }
    const WindowBounds bounds = JpegTextWindowBounds(bounds_, services_.display.Info());
    setGeometry(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
    bounds_ = bounds;
    show();
    raise();
    activateWindow();
}

std::optional<std::string> TCommentForm::ChooseFile(const char* title) {
    FileDialogRequest request;
    request.title = title;
    request.filter = kJpegFilter;
    request.initialFolder = services_.openFolder;
    const std::vector<std::string> chosen = services_.dialogs.OpenFiles(request);
    if (chosen.empty()) return std::nullopt;
    std::string path = chosen.front();
    // A name typed without an extension means a ".jpg" file.
    if (fs::path(path).extension().empty() && !fs::exists(path))
        path += std::string(".") + kJpegDefaultExtension;
    const fs::path folder = fs::path(path).parent_path();
    if (!folder.empty()) services_.openFolder = folder.string() + "/";
    return path;
}

void TCommentForm::mnuReadClick() {
    if (const std::optional<std::string> path = ChooseFile(kSelectFileToRead)) Read(*path);
}

void TCommentForm::mnuAddTextClick() {
    const std::string text = Text();
    if (!JpegCommentFits(text)) {
        services_.dialogs.Warning(kCommentTooLarge);
        return;
    }
    const std::optional<std::string> path = ChooseFile(kSelectFileToInsert);
    if (!path) return;
    if (AddJpegComment(*path, text, services_.dialogs) == JpegCommandResult::Changed) {
        fileName_ = *path;
        setWindowTitle(QString::fromStdString(*path));
    }
}

void TCommentForm::Strip(JpegStripMode mode, const char* title) {
    const std::optional<std::string> path = ChooseFile(title);
    if (!path) return;
    if (StripJpegFile(*path, mode, services_.dialogs) == JpegCommandResult::BadMarkers) hide();
}

void TCommentForm::mnuStripAllClick() {
    Strip(JpegStripMode::AllExtraInfo, kSelectFileToStripAll);
}

void TCommentForm::mnuStripCommentsClick() {
    Strip(JpegStripMode::CommentsOnly, kSelectFileToStripComments);
}

void TCommentForm::mnuCloseClick() {
    hide();
}

void TCommentForm::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TCommentForm::hideEvent(QHideEvent* event) {
    const QRect place = geometry();
    bounds_ = {place.left(), place.top(), place.left() + place.width(),
               place.top() + place.height()};
    QMainWindow::hideEvent(event);
}

} // namespace zv
