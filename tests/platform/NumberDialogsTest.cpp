// The parameter, grid and size dialogs, driven as a script drives them.

#include "platform/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace {

using zv::DialogStep;
using zv::SizeBox;

zv::SizeDialogModel Size400x300(int widthLimit = 16384, int heightLimit = 16384) {
    zv::SizeDialogRequest request;
    request.width = 400;
    request.height = 300;
    request.title = "Resize";
    request.widthLimit = widthLimit;
    request.heightLimit = heightLimit;
    return zv::SizeDialogModel(request);
}

TEST(SizeDialog, AspectLockFollowsWidthPercentAndLimits) {
    struct Case {
        SizeBox box;
        const char* text;
        int width, height;
        bool beep;
    };
    const Case cases[] = {
        {SizeBox::Width, "200", 200, 150, false},
        {SizeBox::XScale, "50", 200, 150, false},
        {SizeBox::Height, "600", 800, 600, false},
        {SizeBox::Width, "20000", 16384, 12288, true},
        {SizeBox::XScale, "0", 1, 1, true},
        {SizeBox::XScale, "-5", 1, 1, true},
        {SizeBox::XScale, "99999999999999999", 16384, 12288, true},
        {SizeBox::Width, "abc", 400, 300, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        zv::SizeDialogModel model = Size400x300();
        model.Type(c.box, c.text);
        EXPECT_EQ(model.TakeBeep(), c.beep);
        EXPECT_EQ(model.Width(), c.width);
        EXPECT_EQ(model.Height(), c.height);
    }
}

TEST(SizeDialog, PercentagesAreReadAsDecimalsAndSpinTheWholePart) {
    EXPECT_EQ(zv::ReadHundredths("51.9"), 5190);
    EXPECT_EQ(zv::ReadHundredths(" 0.29 "), 29);
    EXPECT_EQ(zv::ReadHundredths("-1.5"), -150);
    EXPECT_EQ(zv::ReadHundredths("1,5"), std::nullopt);
    EXPECT_EQ(zv::ReadHundredths("."), std::nullopt);

    zv::SizeDialogModel model = Size400x300();
    model.Type(SizeBox::XScale, "50");
    model.Spin(SizeBox::XScale, true);
    EXPECT_EQ(model.Text(SizeBox::XScale), "51.9");
    EXPECT_EQ(model.Width(), 208); // 51.9 % of 400, rounded
    EXPECT_EQ(model.Text(SizeBox::Width), "208");
    EXPECT_EQ(model.Text(SizeBox::YScale), "52");
    model.Spin(SizeBox::XScale, false);
    EXPECT_EQ(model.Text(SizeBox::XScale), "51");
    model.Spin(SizeBox::XScale, false);
    EXPECT_EQ(model.Text(SizeBox::XScale), "50");
    EXPECT_EQ(model.Width(), 200);
}

TEST(SizeDialog, LockOffSpinsResetAndCancelKeptApart) {
    zv::SizeDialogModel model = Size400x300(401, 16384);
    model.SetAspectLock(false);
    model.Type(SizeBox::Width, "100");
    EXPECT_EQ(model.Height(), 300);
    model.Reset();
    EXPECT_EQ(model.Width(), 400);
    model.Spin(SizeBox::Width, true);
    EXPECT_FALSE(model.TakeBeep());
    model.Spin(SizeBox::Width, true);
    EXPECT_TRUE(model.TakeBeep());
    EXPECT_EQ(model.Width(), 401);

    zv::ScriptedDialogs dialogs;
    dialogs.dialogScripts.push_back({DialogStep::Type(0, "200"), DialogStep::Ok()});
    zv::SizeDialogModel ok = Size400x300();
    dialogs.SizeDialog(ok);
    ASSERT_TRUE(ok.Result());
    EXPECT_EQ(ok.Result()->width, 200);
    EXPECT_EQ(ok.Result()->height, 150);
    zv::SizeDialogModel cancelled = Size400x300();
    dialogs.SizeDialog(cancelled);
    EXPECT_FALSE(cancelled.Result());
    EXPECT_EQ(dialogs.dialogs[0].captions,
              (std::vector<std::string>{"&Width:", "&Height:", "&XScale:", "&YScale:"}));
}

TEST(SizeDialog, ZeroSizedPictureAndModesAreSafe) {
    zv::SizeDialogRequest request;
    request.title = "New";
    zv::SizeDialogModel empty(request); // 0 x 0: the lock has nothing to follow
    empty.Type(SizeBox::XScale, "50");
    empty.Type(SizeBox::Width, "10");
    EXPECT_EQ(empty.Width(), 10);
    EXPECT_EQ(empty.Height(), 0);

    // No position fields: a width is limited by the limit alone.
    request = {-1, -1, 100, 100, "Viewport", 0, 1000, 1000};
    zv::SizeDialogModel noPosition(request);
    EXPECT_FALSE(noPosition.ScaleRowsShown());
    noPosition.Type(SizeBox::Width, "5000");
    EXPECT_TRUE(noPosition.TakeBeep());
    EXPECT_EQ(noPosition.Width(), 1000);

    request = {300, 10, 100, 100, "Adjust Selection", -2, 1000, 1000};
    zv::SizeDialogModel position(request);
    EXPECT_EQ(position.Label(SizeBox::XScale), "&X Pos");
    EXPECT_TRUE(position.ColourPanelShown());
    position.Type(SizeBox::Width, "900");
    EXPECT_EQ(position.Width(), 700);
    position.Type(SizeBox::XScale, "950");
    EXPECT_EQ(position.X(), 300);
    position.Ok();
    EXPECT_EQ(position.Result()->colour, zv::kSilver);

    request.mode = -10;
    EXPECT_EQ(zv::SizeDialogModel(request).Label(SizeBox::Width), "&X Pos");
    request.mode = 1;
    EXPECT_EQ(zv::SizeDialogModel(request).CopyOption(), 1);
    request.mode = 999;
    EXPECT_FALSE(zv::SizeDialogModel(request).AspectLock());
}

TEST(GridDialog, CellCaptionAndLimitedCounts) {
    zv::ScriptedDialogs dialogs;
    dialogs.dialogScripts.push_back({DialogStep::Cell(1, 1), DialogStep::Ok()});
    zv::GridDialogModel grid(3, 2, 1000, 500);
    EXPECT_EQ(grid.Caption(), "Grid Select 333x250  Left=0  Top=0");
    dialogs.GridDialog(grid);
    ASSERT_TRUE(grid.Result());
    const zv::GridSelection cell = *grid.Result();
    EXPECT_EQ(std::vector<int>({cell.left, cell.top, cell.right, cell.bottom}),
              std::vector<int>({333, 250, 665, 499}));
    EXPECT_EQ(dialogs.dialogs[0].title, "Grid Select 333x250  Left=333  Top=250");
    EXPECT_EQ(grid.Box().width, 320);
    EXPECT_EQ(grid.Box().height, 160);

    zv::GridDialogModel narrow(8, 64, 5, 3); // narrower than the counts
    EXPECT_EQ(narrow.Columns(), 5);
    EXPECT_EQ(narrow.Rows(), 3);
    EXPECT_EQ(narrow.CellWidth(), 1);
    zv::GridDialogModel none(3, 3, 0, 0);
    EXPECT_EQ(none.Selected().right, -1);
    dialogs.GridDialog(none);
    EXPECT_FALSE(none.Result());
}

TEST(ParameterDialog, HexPresetsTrackBarAndCancel) {
    zv::ParameterDialogRecord record{0, 16777215, 255, 16, 1, {}, false, false};
    zv::ParameterDialogModel colour("Colour", "", "", record);
    EXPECT_EQ(colour.HexLabel(), "000000FF");
    EXPECT_EQ(colour.MaxLabel(), "16777215");

    record = {0, 359, 90, 10, 1, {0, 30, 60, 90, 180, 270}, true, false};
    zv::ScriptedDialogs dialogs;
    dialogs.dialogScripts.push_back({DialogStep::Preset(2), DialogStep::Slider(0, 5)});
    dialogs.dialogScripts.push_back({DialogStep::Type(0, "x"), DialogStep::Ok()});
    dialogs.dialogScripts.push_back({DialogStep::Slider(0, 0), DialogStep::Cancel()});
    zv::ParameterDialogModel rotate("Rotate", "", "", record);
    EXPECT_EQ(rotate.HexLabel(), "");
    dialogs.ParameterDialog(rotate);
    EXPECT_EQ(rotate.Result(), 60);
    EXPECT_EQ(dialogs.dialogs[0].captions[2], "&c = 60");
    zv::ParameterDialogModel typed("Rotate", "", "", record);
    dialogs.ParameterDialog(typed);
    EXPECT_EQ(typed.Result(), 90); // not a number: the start
    zv::ParameterDialogModel cancelled("Rotate", "", "", record);
    dialogs.ParameterDialog(cancelled);
    EXPECT_EQ(cancelled.Result(), std::nullopt); // not -999, nor any value

    record = {0, 12, 1, 1, 1, {}, false, true};
    zv::ParameterDialogModel zoom("Zoom to ", "", "", record);
    zoom.SetPosition(4);
    EXPECT_EQ(zoom.Caption(), "Zoom to 128x96 pixels");
    zv::ParameterDialogModel thumbs("Size ", "64x96", "", record);
    thumbs.SetPosition(1);
    EXPECT_EQ(thumbs.Caption(), "Size 128x192");
    thumbs.SetPosition(0);
    EXPECT_EQ(thumbs.Caption(), "Size 64x96");
}

} // namespace
