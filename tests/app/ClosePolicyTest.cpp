#include "app/ClosePolicy.h"
#include "app/ErrorPolicy.h"

#include "platform/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace {

using namespace zv;

TEST(ClosePolicy, ClosingBesideTheExplorerOnlyHidesTheViewer) {
    ScriptedDialogs dialogs;
    DocumentFlags flags;
    flags.modified = true;
    CloseRequest request;
    request.explorerVisible = true;
    EXPECT_EQ(DecideClose(request, flags, dialogs), CloseVerdict::HideViewer);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(flags.modified);
}

TEST(ClosePolicy, ASlideshowRefusesBeforeAnythingElse) {
    ScriptedDialogs dialogs;
    DocumentFlags flags;
    CloseRequest request;
    request.slideshowRunning = true;
    request.forced = true;
    EXPECT_EQ(DecideClose(request, flags, dialogs), CloseVerdict::StopSlideshow);
}

TEST(ClosePolicy, AForcedCloseAsksNothing) {
    ScriptedDialogs dialogs;
    DocumentFlags flags;
    flags.modified = true;
    CloseRequest request;
    request.forced = true;
    request.explorerVisible = true;
    EXPECT_EQ(DecideClose(request, flags, dialogs), CloseVerdict::End);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST(ClosePolicy, AModifiedPictureIsKeptOnNo) {
    ScriptedDialogs dialogs;
    dialogs.answers = {Answer::No};
    DocumentFlags flags;
    flags.modified = true;
    EXPECT_EQ(DecideClose({}, flags, dialogs), CloseVerdict::ShowViewer);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, "You have unsaved changes.\nDiscard modified image?");
    EXPECT_EQ(dialogs.boxes[0].buttons, Buttons::YesNo);
    EXPECT_TRUE(flags.modified);

    dialogs.answers = {Answer::Yes};
    EXPECT_EQ(DecideClose({}, flags, dialogs), CloseVerdict::End);
    EXPECT_FALSE(flags.modified);
}

TEST(ClosePolicy, AModifiedAlbumIsOfferedForSavingOrReopened) {
    ScriptedDialogs dialogs;
    DocumentFlags flags;
    flags.albumModified = true;
    CloseRequest request;
    request.albumHasSlides = true;
    EXPECT_EQ(DecideClose(request, flags, dialogs), CloseVerdict::ShowAlbumAndOfferSave);
    EXPECT_EQ(dialogs.LastText(), "Discard slideshow/album?");
    request.albumHasSlides = false;
    EXPECT_EQ(DecideClose(request, flags, dialogs), CloseVerdict::ShowViewerAndOpenAlbum);
}

TEST(ClosePolicy, ACriticalProcessWarnsAndRefuses) {
    ScriptedDialogs dialogs;
    dialogs.answers = {Answer::Yes}; // never asked: the warning has only OK
    DocumentFlags flags;
    flags.criticalProcess = true;
    EXPECT_EQ(DecideClose({}, flags, dialogs), CloseVerdict::ShowViewer);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].kind, BoxKind::Warning);
    EXPECT_EQ(dialogs.boxes[0].text,
              "A critical process is being executed.\nCancel the process to proceed.");
}

TEST(ClosePolicy, ALongBatchScriptIsNotDiscardedUnasked) {
    ScriptedDialogs dialogs;
    DocumentFlags flags;
    CloseRequest request;
    request.batchEditorOpen = true;
    request.batchScriptLines = 4;
    EXPECT_EQ(DecideClose(request, flags, dialogs), CloseVerdict::End);
    EXPECT_TRUE(dialogs.boxes.empty());
    request.batchScriptLines = 5;
    EXPECT_EQ(DecideClose(request, flags, dialogs), CloseVerdict::ShowBatchEditor);
    EXPECT_EQ(dialogs.LastText(), "Discard image processing script?");
}

TEST(DiscardQuestion, TheOpenCommandAsksAboutThePictureEvenWithAModifiedAlbum) {
    ScriptedDialogs dialogs;
    DocumentFlags flags;
    flags.albumModified = true;
    CloseNow(flags, DiscardCaller::OpenCommand, dialogs);
    EXPECT_EQ(dialogs.LastText(), "You have unsaved changes.\nDiscard modified image?");
}

TEST(DiscardQuestion, GivenASaveThePictureQuestionOffersSaveDiscardAndCancel) {
    struct Case {
        Answer answer;
        bool saves;       // what the save reports
        bool goesOn;      // CloseNow's answer
        bool stillMarked; // the modified mark afterwards
        int savesTried;
    };
    const Case cases[] = {
        {Answer::Save, true, true, false, 1},
        {Answer::Save, false, false, true, 1},
        {Answer::Discard, true, true, false, 0},
        {Answer::Cancel, true, false, true, 0},
    };
    for (const Case& c : cases) {
        ScriptedDialogs dialogs;
        dialogs.answers = {c.answer};
        DocumentFlags flags;
        flags.modified = true;
        int tried = 0;
        const bool goesOn = CloseNow(flags, DiscardCaller::OpenCommand, dialogs, [&] {
            ++tried;
            return c.saves;
        });
        EXPECT_EQ(goesOn, c.goesOn);
        EXPECT_EQ(flags.modified, c.stillMarked);
        EXPECT_EQ(tried, c.savesTried);
        ASSERT_EQ(dialogs.boxes.size(), 1u);
        EXPECT_EQ(dialogs.boxes[0].buttons, Buttons::SaveDiscardCancel);
        EXPECT_EQ(dialogs.boxes[0].text, "You have unsaved changes.\nDiscard modified image?");
    }
    // The album question keeps its Yes and No.
    ScriptedDialogs dialogs;
    DocumentFlags flags;
    flags.albumModified = true;
    CloseNow(flags, DiscardCaller::Other, dialogs, [] { return true; });
    EXPECT_EQ(dialogs.boxes.back().buttons, Buttons::YesNo);
}

UnexpectedError ErrorWith(const std::string& message, const std::string& extension) {
    UnexpectedError error;
    error.message = message;
    error.fileName = "beach" + extension;
    error.folder = "/home/me/Pictures";
    error.extension = extension;
    return error;
}

TEST(ErrorPolicy, ADecoderErrorIsShownWithTheFileAndTheProgramGoesOn) {
    ScriptedDialogs dialogs;
    EXPECT_EQ(HandleUnexpectedError(ErrorWith("Bogus JPEG marker", ".JPG"), dialogs),
              ErrorOutcome::ReplaceJpegReader);
    EXPECT_EQ(dialogs.LastText(),
              "Bogus JPEG marker\nFilename: beach.JPG\nLocation: /home/me/Pictures");
    EXPECT_EQ(HandleUnexpectedError(ErrorWith("Bad record", ".WMF"), dialogs),
              ErrorOutcome::ReplaceJpegReader);
}

TEST(ErrorPolicy, AnUnplayableMediaFileIsNamed) {
    ScriptedDialogs dialogs;
    EXPECT_EQ(HandleUnexpectedError(ErrorWith("Unspecified error", ".MP3"), dialogs),
              ErrorOutcome::MediaNotPlayed);
    EXPECT_EQ(dialogs.LastText(), "beach.MP3 could not be played.\nAn updated CODEC may be "
                                  "required or file is corrupted; see FAQ.");
    HandleUnexpectedError(ErrorWith("unspecified error", ""), dialogs);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}

TEST(ErrorPolicy, AnythingElseEndsTheProgramUnlessWorkIsAtStake) {
    ScriptedDialogs dialogs;
    UnexpectedError error = ErrorWith("Access violation", ".BMP");
    error.lastInternalNote = "UndoBitmap error.";
    EXPECT_EQ(HandleUnexpectedError(error, dialogs), ErrorOutcome::EndProgram);
    EXPECT_EQ(dialogs.boxes.back().buttons, Buttons::Ok);
    EXPECT_EQ(dialogs.LastText(), "Unexpected exception.  Please report following error.\n"
                                  "UndoBitmap error.\nAccess violation");

    error.albumModified = true;
    dialogs.answers = {Answer::Ignore};
    EXPECT_EQ(HandleUnexpectedError(error, dialogs), ErrorOutcome::KeepRunning);
    EXPECT_EQ(dialogs.boxes.back().kind, BoxKind::Error);
    EXPECT_EQ(dialogs.boxes.back().buttons, Buttons::OkIgnore);
    EXPECT_EQ(dialogs.LastText(), "Unexpected exception.  Please report following error.\n"
                                  "\nClick [Ignore] button to exit this dialog and save\n"
                                  "changes to your Slide Album or (BIP) batch script.\n"
                                  "After saving, close then reactivate application.\n\n"
                                  "UndoBitmap error.\nAccess violation");
}

} // namespace
