// The JPEG compression wizard's model: its rows and typed limits, Test's
// stream, size and ratio (and the error instead of a ratio), the encoder's
// smoothing held to its scale, Save As through a temporary file, and the
// batch form that applies at once.

#include "CorrectionHost.h"
#include "TempFolderTest.h"

#include "formats/JpegCodec.h"
#include "platform/ScriptedDialogs.h"
#include "processing/JpegWizardModel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using zv::DialogStep;

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(JpegWizard, RowsTypedLimitsAndSettingsRoundTrip) {
    const zv::Bitmap picture = zvtest::RandomLevelPicture(8, 8, 1);
    zv::ScriptedDialogs dialogs;
    const zv::JpegWizardSettings start{true, false, 2, 40, 60};
    zv::JpegWizardModel model(zv::kJpegWizardCode, picture, start, dialogs);
    EXPECT_EQ(model.Title(), "JPEG Compression Wizard");
    EXPECT_EQ(model.AmountRow().minLabel, "0 (none)");
    EXPECT_EQ(model.AmountRow().maxLabel, "255 (fuzzy)");
    EXPECT_EQ(model.QualityRow().minLabel, "1 (best)");
    EXPECT_EQ(model.AcceptCaption(), "Save &As");
    EXPECT_FALSE(model.AcceptEnabled()); // nothing to save before a Test
    EXPECT_EQ(model.Settings(), start);
    for (const auto& [typed, quality] :
         std::vector<std::pair<std::string, int>>{{"300", 255}, {"0", 1}, {"-5", 1}, {"x", 1}}) {
        model.TypeQuality(typed);
        EXPECT_EQ(model.QualityRow().position, quality) << typed;
    }
    EXPECT_EQ(model.QualityRow().text, "1");
    EXPECT_EQ(zv::ProposedJpegName("/a/b/Photo.TIF"), "Photo");
    EXPECT_EQ(zv::ProposedJpegName("/a/b/Photo.Jpg"), "Photo.Jpg");
}

TEST(JpegWizard, TestCodesTheWholePictureAndReportsSizeAndRatio) {
    const zv::Bitmap picture = zvtest::RandomLevelPicture(40, 24, 3);
    zv::ScriptedDialogs dialogs;
    zv::JpegWizardModel model(zv::kJpegWizardCode, picture, {false, true, 0, 200, 48}, dialogs);
    model.Test();
    const auto n = model.Stream().size();
    ASSERT_GT(n, 0u);
    EXPECT_EQ(model.FileSizeText(), "File size: " + std::to_string(n) + " bytes");
    const std::size_t u = 40 * 24 * 3;
    EXPECT_EQ(model.RatioText().rfind("Compression ratio: " + std::to_string(u / n) + ".", 0), 0u)
        << model.RatioText();
    EXPECT_EQ(model.After().Width(), 40);
    EXPECT_TRUE(model.AcceptEnabled());
    // Amounts past 100 reach the encoder as 100, where its smoothing ends.
    zv::JpegEncodeOptions capped;
    capped.quality = 48;
    capped.subsampling = zv::JpegSubsampling::Both;
    capped.smoothing = 100;
    EXPECT_EQ(model.Stream(), zv::JpegEncode(picture, capped));

    // A picture too wide for JPEG: the error, no ratio divided by 0, no save.
    zv::Bitmap wide;
    wide.Create(70000, 1, zv::PixelFormat::Bits24);
    zv::JpegWizardModel failing(zv::kJpegWizardCode, wide, {}, dialogs);
    failing.Test();
    EXPECT_EQ(failing.RatioText().rfind("Compression failed: ", 0), 0u);
    EXPECT_EQ(failing.FileSizeText(), "");
    EXPECT_FALSE(failing.AcceptEnabled());
}

TEST(JpegWizard, SaveAsWritesTheLastStreamAndStaysOpen) {
    zvtest::TempFolder folder;
    const zv::Bitmap picture = zvtest::RandomLevelPicture(16, 16, 5);
    // Saved without an extension over an older file of the same name.
    const auto old = folder.Path() / "out.jpg";
    { std::ofstream(old) << "old"; }
    zv::ScriptedDialogs dialogs;
    dialogs.saveResults = {(folder.Path() / "out").string(),
                           (folder.Path() / "missing" / "x.jpg").string()};
    dialogs.dialogScripts.push_back({DialogStep::Slider(1, 30), DialogStep::Check(0, true),
                                     DialogStep::Test(), DialogStep::Ok(), DialogStep::Ok()});
    zv::JpegWizardModel model(zv::kJpegWizardCode, picture, {}, dialogs,
                              {folder.Path().string(), "picture"});
    dialogs.JpegWizard(model);
    EXPECT_EQ(model.Settings().quality, 30);
    EXPECT_TRUE(model.Settings().progressive);
    ASSERT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(dialogs.fileRequests[0].title, "Save As");
    EXPECT_EQ(dialogs.fileRequests[0].fileName, "picture");
    EXPECT_EQ(FileBytes(folder.Path() / "out.jpg"), model.Stream());
    EXPECT_EQ(model.SavedFolder(), folder.Path().string());
    // The second Save As failed: reported, nothing left behind.
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "missing"));
    EXPECT_EQ(dialogs.dialogs.at(0).previews, 1);
}

TEST(JpegWizard, BatchFormAppliesAtOnceAndAnswersTheAmount) {
    const zv::Bitmap picture = zvtest::RandomLevelPicture(8, 8, 7);
    zv::ScriptedDialogs dialogs;
    dialogs.dialogScripts.push_back(
        {DialogStep::Slider(0, 77), DialogStep::Choose(1), DialogStep::Ok()});
    zv::JpegWizardSettings settings;
    EXPECT_EQ(zv::RunJpegWizard(dialogs, zv::kJpegWizardBatchCode, picture, settings, {}), 77);
    EXPECT_EQ(settings.filter, 1);
    EXPECT_EQ(settings.amount, 77);
    // Closed without a Test: the amount all the same.
    dialogs.dialogScripts.push_back({DialogStep::Slider(0, 12), DialogStep::Cancel()});
    EXPECT_EQ(zv::RunJpegWizard(dialogs, zv::kJpegWizardCode, picture, settings, {}), 12);
}

} // namespace
