// The batch editor's document: its caption, the file commands and what a
// failed read or write leaves, the scripts' folder, and Perform's question.

#include "viewer/BatchEditor.h"

#include "platform/ScriptedDialogs.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

namespace {

using namespace zv;
namespace fs = std::filesystem;

class BatchEditorTest : public zvtest::TempFolderTest {
protected:
    BatchEditor Editor() {
        return BatchEditor({dialogs, folder.string(), [](const std::string& path) {
                                std::error_code error;
                                return fs::is_directory(path, error);
                            }});
    }
    ScriptedDialogs dialogs;
};

TEST_F(BatchEditorTest, RecordedLinesOpenAndSaveKeepTheScript) {
    BatchEditor editor = Editor();
    EXPECT_EQ(editor.Caption(), "Batch Editor");
    EXPECT_FALSE(editor.Changed()); // Save and Perform wait for a change
    editor.AppendLine("AUTO_CONTRAST");
    editor.AppendLine("GAMMA=150,150,150");
    EXPECT_EQ(editor.Lines(), (std::vector<std::string>{"AUTO_CONTRAST", "GAMMA=150,150,150"}));
    EXPECT_TRUE(editor.Changed());

    // Saved without an extension: ".bip" is added; the caption names the file.
    dialogs.saveResults.push_back((folder / "mine").string());
    ASSERT_TRUE(editor.Save());
    EXPECT_EQ(dialogs.fileRequests.back().title, "Save Batch Commands");
    EXPECT_EQ(dialogs.fileRequests.back().filter, "BIP (Batch Image Processor)|*.bip");
    EXPECT_EQ(editor.Caption(), "Batch Editor - mine.bip");

    // A file that cannot be read leaves the text as it was.
    fs::create_directory(folder / "folder.bip");
    dialogs.openResults.push_back({(folder / "folder.bip").string()});
    EXPECT_FALSE(editor.Open());
    EXPECT_EQ(editor.Lines().size(), 2u);

    dialogs.answers.push_back(Answer::Ok);
    ASSERT_TRUE(editor.New());
    EXPECT_TRUE(editor.Lines().empty());
    dialogs.openResults.push_back({(folder / "mine.bip").string()});
    ASSERT_TRUE(editor.Open());
    EXPECT_EQ(editor.Lines(), (std::vector<std::string>{"AUTO_CONTRAST", "GAMMA=150,150,150"}));
    // The dialogs start in the folder of the last file.
    EXPECT_EQ(dialogs.fileRequests.back().initialFolder, folder.string());

    // A write that fails says so and keeps the file name.
    dialogs.saveResults.push_back((folder / "no such folder" / "x.bip").string());
    EXPECT_FALSE(editor.Save());
    EXPECT_EQ(dialogs.LastText(), kBatchSaveFailedText);
    EXPECT_EQ(editor.Caption(), "Batch Editor - mine.bip");
}

TEST_F(BatchEditorTest, TheScriptsFolderIsTheLastOneThenBipfilesThenTheHome) {
    BatchEditor editor = Editor();
    EXPECT_EQ(editor.CheckBipFolder(), folder.string());
    fs::create_directory(folder / "bipfiles");
    EXPECT_EQ(editor.CheckBipFolder(), (folder / "bipfiles").string());
}

TEST_F(BatchEditorTest, PerformAsksOnceIgnoreIsChosen) {
    bool ignored = false;
    EXPECT_TRUE(ConfirmPerform(dialogs, false, false, ignored));
    EXPECT_TRUE(dialogs.boxes.empty());

    dialogs.answers.push_back(Answer::Cancel);
    EXPECT_FALSE(ConfirmPerform(dialogs, true, false, ignored));
    EXPECT_EQ(dialogs.LastText(), "You have screen gamma enabled, which is cumulative;\n"
                                  "it will affect batch image processing results.  Continue?\n\n"
                                  "[Ignore] avoids this dialog (for experts).");
    dialogs.answers.push_back(Answer::Ignore);
    EXPECT_TRUE(ConfirmPerform(dialogs, true, true, ignored));
    EXPECT_EQ(dialogs.LastText().rfind("You have an automatic resizing feature enabled;\n", 0), 0u);
    EXPECT_TRUE(ConfirmPerform(dialogs, true, true, ignored));
    EXPECT_EQ(dialogs.boxes.size(), 2u);
}

} // namespace
