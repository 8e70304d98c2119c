// The JPEG text window: its menu, reading a file into it, adding its text as
// a comment and stripping a file, with every dialog scripted.

#include "album/ui/CommentForm.h"
#include "album/JpegComments.h"
#include "formats/JpegWriter.h"
#include "platform/ScriptedDialogs.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace zv;
namespace fs = std::filesystem;

namespace {

using Bytes8 = std::vector<std::uint8_t>;

Bytes8 Segment(std::uint8_t code, const std::string& data) {
    const std::size_t length = data.size() + 2;
    Bytes8 segment(length + 2);
    segment[0] = 0xFF;
    segment[1] = code;
    segment[2] = static_cast<std::uint8_t>(length >> 8);
    segment[3] = static_cast<std::uint8_t>(length);
    std::copy(data.begin(), data.end(), segment.begin() + 4);
    return segment;
}

// A 16 x 8 colour JPEG with a comment after its JFIF header and a
// little-endian EXIF block (Make "Zel") after that.
Bytes8 CommentedJpeg() {
    Bitmap picture;
    picture.Create(16, 8, PixelFormat::Bits24);
    Bytes8 file = TJpegWriter().Compress(picture);
    const std::string exif("Exif\0\0II\x2A\0\x08\0\0\0\x01\0\x0F\x01\x02\0\x04\0\0\0Zel\0\0\0\0\0",
                           32);
    Bytes8 segments = Segment(0xFE, "Holiday\r\nBeach\r\n");
    const Bytes8 app1 = Segment(0xE1, exif);
    segments.insert(segments.end(), app1.begin(), app1.end());
    file.insert(file.begin() + 20, segments.begin(), segments.end());
    return file;
}

Bytes8 ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

class CommentFormTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder_;
    ScriptedDialogs dialogs_;
    FixedDisplay display_;
    std::string openFolder_ = "/start/";
    std::unique_ptr<TCommentForm> form_;

    std::string Path(const std::string& name) const {
        return folder_.path().toStdString() + "/" + name;
    }

    std::string WriteJpeg(const std::string& name, const Bytes8& bytes) {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    QAction* Command(const QString& caption) const {
        for (QAction* action : form_->findChildren<QAction*>())
            if (action->text() == caption) return action;
        return nullptr;
    }

private slots:
    void init() {
        dialogs_ = ScriptedDialogs();
        openFolder_ = "/start/";
        form_ =
            std::make_unique<TCommentForm>(CommentFormServices{dialogs_, display_, openFolder_});
    }
    void cleanup() { form_.reset(); }

    void menuHasTheCommands() {
        QCOMPARE(form_->windowTitle(), QStringLiteral("JPEG Text"));
        QStringList top;
        for (QAction* action : form_->menuBar()->actions()) top << action->text();
        QCOMPARE(top, (QStringList{"&Read", "&Add text", "&Strip", "&Close", "&Help"}));
        QMenu* strip = form_->menuBar()->actions()[2]->menu();
        QVERIFY(strip);
        QCOMPARE(strip->actions()[0]->text(), QStringLiteral("&All extra info"));
        QCOMPARE(strip->actions()[1]->text(), QStringLiteral("&Comments only"));
    }

    void readShowsExifCommentsAndTheInformationLine() {
        const Bytes8 bytes = CommentedJpeg();
        const std::string path = WriteJpeg("Holiday.JPG", bytes);
        dialogs_.openResults = {{path}};
        Command("&Read")->trigger();

        QCOMPARE(dialogs_.fileRequests.size(), std::size_t{1});
        const FileDialogRequest& request = dialogs_.fileRequests[0];
        QCOMPARE(request.title, std::string("Select file to read EXIF info and JPEG comments."));
        QCOMPARE(request.filter, std::string("JPG (JPEG/JFIF)|*.jpg"));
        QCOMPARE(request.initialFolder, std::string("/start/"));
        QCOMPARE(openFolder_, folder_.path().toStdString() + "/");

        QVERIFY(form_->isVisible());
        QCOMPARE(form_->windowTitle(), QString::fromStdString(path));
        QCOMPARE(form_->Text(), std::string("Make = Zel\nHoliday\nBeach"));
        QCOMPARE(form_->CommentLines(), (std::vector<std::string>{"Holiday", "Beach"}));
        const std::string info = form_->InfoLine();
        const std::string size = "Size: " + std::to_string(bytes.size()) + " bytes\n\rDate: ";
        QCOMPARE(info.substr(0, size.size()), size);
        QVERIFY2(info.ends_with("\n\rView: 16 x 8 (24 bpp)"), info.c_str());
        QVERIFY(dialogs_.boxes.empty());
    }

    void readFromTheViewerTakesItsPictureLine() {
        const std::string path = WriteJpeg("a.jpeg", CommentedJpeg());
        const std::optional<std::string> text = form_->ReadText(path, "16x8(24) dib");
        QVERIFY(text);
        QCOMPARE(*text, std::string("Make = Zel\nHoliday\nBeach"));
        QVERIFY(!form_->isVisible());
        QVERIFY(form_->InfoLine().ends_with("\n\rView: 16x8(24) dib"));
        form_->SetViewText("View text");
        QVERIFY(form_->InfoLine().ends_with("\n\rView: View text"));
        // Other extensions are not read.
        QVERIFY(!form_->ReadText(WriteJpeg("a.png", CommentedJpeg())));
    }

    void badFileShowsTheErrorAndClosesTheWindow() {
        form_->ShowWindow();
        QVERIFY(!form_->Read(WriteJpeg("bad.jpg", {0xFF, 0xD8, 0xFF, 0xFE, 0x40, 0x00, 'x'})));
        QCOMPARE(dialogs_.Texts(), std::vector<std::string>{"File has bad JPEG markers."});
        QCOMPARE(dialogs_.boxes[0].kind, BoxKind::Error);
        QVERIFY(!form_->isVisible());
    }

    void addTextPutsTheWindowTextIntoAFile() {
        Bitmap picture;
        picture.Create(4, 4, PixelFormat::Bits24);
        const Bytes8 original = TJpegWriter().Compress(picture);
        const std::string path = WriteJpeg("plain.jpg", original);
        form_->SetText("Zelvan\nline two");
        dialogs_.openResults = {{path}};
        Command("&Add text")->trigger();
        QCOMPARE(dialogs_.fileRequests.at(0).title,
                 std::string(
                     "Select file to insert JPEG comments. (Original will be copied to *.bak.)"));
        Bytes8 expected = original;
        const Bytes8 com = Segment(0xFE, "Zelvan\r\nline two\r\n");
        expected.insert(expected.begin() + 20, com.begin(), com.end());
        QCOMPARE(ReadAll(path), expected);
        QCOMPARE(ReadAll(Path("plain.bak")), original);
        QCOMPARE(form_->windowTitle(), QString::fromStdString(path));

        // Too much text: the warning, and no file is asked for.
        form_->SetText(std::string(32001, 'x'));
        Command("&Add text")->trigger();
        QCOMPARE(dialogs_.LastText(),
                 std::string("Comment too large; limit text to 32000 characters."));
        QCOMPARE(dialogs_.fileRequests.size(), std::size_t{1});
    }

    void stripCommentsThenAllExtraInfo() {
        const Bytes8 bytes = CommentedJpeg();
        const std::string path = WriteJpeg("strip.jpg", bytes);
        dialogs_.openResults = {{path}};
        Command("&Comments only")->trigger();
        QCOMPARE(dialogs_.fileRequests.at(0).title,
                 std::string(
                     "Select file to remove JPEG comments. (Original will be copied to *.bak.)"));
        QCOMPARE(dialogs_.LastText(), std::string("Comments removed:20 bytes"));
        QCOMPARE(ReadAll(Path("strip.bak")), bytes);

        // The backup now exists: the question comes first.
        dialogs_.openResults = {{path}};
        dialogs_.answers = {Answer::Yes};
        Command("&All extra info")->trigger();
        QCOMPARE(dialogs_.fileRequests.at(1).title,
                 std::string(
                     "Select file to remove ALL extra info. (Original will be copied to *.bak.)"));
        const std::vector<std::string> texts = dialogs_.Texts();
        QCOMPARE(texts.size(), std::size_t{3});
        QCOMPARE(texts[1], Path("strip.bak") +
                               " exists.\nOrignal file is copied to *.bak.\nOverwrite *.bak file?");
        QCOMPARE(texts[2], std::string("Extra info removed:") + std::to_string(18 + 36) + " bytes");
        const Bytes8 stripped = ReadAll(path);
        QCOMPARE(stripped.size(), bytes.size() - 20 - 18 - 36);
        QCOMPARE(stripped[0], std::uint8_t{0xFF});
        QCOMPARE(stripped[1], std::uint8_t{0xD8});
    }

    void cancelledDialogChangesNothing() {
        const Bytes8 bytes = CommentedJpeg();
        const std::string path = WriteJpeg("keep.jpg", bytes);
        Command("&All extra info")->trigger();
        QVERIFY(dialogs_.boxes.empty());
        QCOMPARE(ReadAll(path), bytes);
        QCOMPARE(openFolder_, std::string("/start/"));
    }

    void escapeHidesAndThePlaceIsKept() {
        form_->ShowWindow();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        // The default place: a quarter of the 1920 x 1080 screen, centred.
        QCOMPARE(form_->Bounds(), (WindowBounds{720, 405, 1200, 675}));
        form_->setGeometry(100, 120, 400, 300);
        QTest::keyClick(form_->findChild<QPlainTextEdit*>(), Qt::Key_Escape);
        QVERIFY(!form_->isVisible());
        form_->ShowWindow();
        QCOMPARE(form_->geometry(), QRect(100, 120, 400, 300));
        Command("&Close")->trigger();
        QVERIFY(!form_->isVisible());
    }
};

QTEST_MAIN(CommentFormTest)
#include "CommentFormTest.moc"
