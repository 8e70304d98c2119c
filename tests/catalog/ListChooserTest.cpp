#include "catalog/ListChooser.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

using zv::ChooserKind;
using zv::ChooserRequest;
using zv::ListChooser;
using Texts = std::vector<std::string>;

// Existence as a set of paths instead of the disk.
zv::ChooserChecks Existing(std::set<std::string> paths) {
    auto exists = [paths](const std::string& path) { return paths.count(path) > 0; };
    return {exists, exists};
}

ChooserRequest Request(int mode, Texts list, std::string preselect = {}) {
    ChooserRequest request;
    request.mode = mode;
    request.list = std::move(list);
    request.preselect = std::move(preselect);
    return request;
}

Texts Rows(const ListChooser& chooser) {
    Texts rows;
    for (std::size_t row = 0; row < chooser.RowCount(); ++row) rows.push_back(chooser.Row(row));
    return rows;
}

TEST(ListChooser, ModesByNumber) {
    const std::pair<int, ChooserKind> cases[] = {
        {-3, ChooserKind::Table},          {0, ChooserKind::Table},
        {1, ChooserKind::Single},          {2, ChooserKind::Eligible},
        {199, ChooserKind::Eligible},      {200, ChooserKind::Multiple},
        {400, ChooserKind::Multiple},      {401, ChooserKind::FolderHistory},
        {409, ChooserKind::FolderHistory}, {410, ChooserKind::FileHistory}};
    for (const auto& [mode, kind] : cases) EXPECT_EQ(zv::ChooserKindOf(mode), kind) << mode;
}

TEST(ListChooser, SortAllOrdersWithoutCaseThenExactlyAndPrunes) {
    ChooserRequest request =
        Request(410, {"/p/b.jpg", "/p/A.jpg", "/p/gone.jpg", "/p/a.jpg", "/p/a.jpg"}, "/p/a.jpg");
    ListChooser chooser(request, Existing({"/p/a.jpg", "/p/A.jpg", "/p/b.jpg"}));
    chooser.Open();
    EXPECT_EQ(chooser.Label(), "Select item or press DELETE to remove selected item.");
    EXPECT_EQ(chooser.ClearCaption(), "&Sort all");
    EXPECT_TRUE(chooser.IsSelected(3)); // the exact match, not "/p/A.jpg"
    EXPECT_EQ(chooser.StatusText(), "5 item(s)");

    chooser.ClearClicked();
    EXPECT_EQ(Rows(chooser), (Texts{"/p/A.jpg", "/p/a.jpg", "/p/b.jpg"}));
    EXPECT_EQ(chooser.StatusText(), "3 item(s)");
    EXPECT_TRUE(chooser.IsSelected(1));
    EXPECT_EQ(chooser.CurrentRow(), 1);

    EXPECT_EQ(chooser.Accept(request), 1);
    EXPECT_EQ(request.list, (Texts{"/p/A.jpg", "/p/a.jpg", "/p/b.jpg"}));
    EXPECT_GE(request.list.capacity(), zv::kHistoryReserve);
}

TEST(ListChooser, EligiblePicturesOnlyOrNothingToConfirm) {
    ChooserRequest none = Request(3, {"x.wmf", "y.avi"});
    ListChooser empty(none, Existing({"x.wmf", "y.avi"}));
    EXPECT_EQ(empty.CheckingText(), "Checking 2 files ...");
    empty.Open();
    EXPECT_EQ(empty.RowCount(), 0u);
    EXPECT_EQ(empty.Label(), "No bookmarked files were eligible for compression.");
    EXPECT_FALSE(empty.OkEnabled());
    EXPECT_FALSE(empty.ClearEnabled());
    EXPECT_EQ(empty.StatusText(), "0 item(s)");

    ChooserRequest some = Request(2, {"a.jpg", "gone.png", "b.TIF", "c.txt"});
    ListChooser chooser(some, Existing({"a.jpg", "b.TIF", "c.txt"}));
    chooser.Open();
    EXPECT_EQ(Rows(chooser), (Texts{"a.jpg", "b.TIF"}));
    EXPECT_TRUE(chooser.ClearEnabled()); // mode 2 only
    chooser.SetSelected(0, false);
    EXPECT_EQ(chooser.Accept(some), 0);
    EXPECT_EQ(some.list, Texts{"b.TIF"});
}

TEST(ListChooser, TableFlagsInAndOut) {
    ChooserRequest request = Request(0, Texts(10, "effect"));
    request.flags.assign(10, 0);
    request.flags[2] = request.flags[7] = 1;
    ListChooser chooser(request);
    chooser.Open();
    for (std::size_t row = 0; row < 10; ++row)
        EXPECT_EQ(chooser.IsSelected(row), row == 2 || row == 7) << row;
    chooser.ClearSelection();
    chooser.SetSelected(3, true);
    EXPECT_FALSE(chooser.DeleteSelected()); // rows are positions in the table
    EXPECT_EQ(chooser.Accept(request), 0);
    std::vector<std::uint8_t> expected(10, 0);
    expected[3] = 1;
    EXPECT_EQ(request.flags, expected);
}

TEST(ListChooser, SingleChoiceNeedsARowAndKeepsPositions) {
    ChooserRequest request = Request(1, {"Wipe", "Fade", "Blinds"});
    ListChooser chooser(request);
    chooser.Open();
    EXPECT_EQ(chooser.Label(), "Click an effect from list, then click Ok.");
    EXPECT_FALSE(chooser.ClearVisible());
    EXPECT_FALSE(chooser.OkEnabled());
    chooser.SetSelected(0, true);
    chooser.SetSelected(2, true); // a single selection: row 0 goes
    EXPECT_FALSE(chooser.IsSelected(0));
    EXPECT_FALSE(chooser.DeleteSelected());
    EXPECT_TRUE(chooser.OkEnabled());
    EXPECT_EQ(chooser.Accept(request), 2);
    EXPECT_EQ(request.list.size(), 3u);
}

TEST(ListChooser, FreeMultipleChoiceAndDeletingEverything) {
    ChooserRequest request = Request(200, {"a", "b", "c"});
    ListChooser chooser(request);
    chooser.Open();
    EXPECT_EQ(chooser.Label(), "Press CTRL key and click to (un)select multiple items.");
    EXPECT_FALSE(chooser.ClearEnabled());
    EXPECT_TRUE(chooser.IsSelected(0) && chooser.IsSelected(1) && chooser.IsSelected(2));
    chooser.SetSelected(1, false);
    EXPECT_TRUE(chooser.DeleteSelected());
    EXPECT_EQ(Rows(chooser), Texts{"b"});
    EXPECT_EQ(chooser.Accept(request), 0);
    EXPECT_TRUE(request.list.empty()); // "b" was not selected

    ChooserRequest folders = Request(401, {"/a/", "/b/"}, "/b/");
    ListChooser history(folders);
    history.Open();
    history.DeleteSelected();
    history.SetSelected(0, true);
    history.DeleteSelected();
    EXPECT_EQ(history.RowCount(), 0u);
    history.ClearClicked(); // sorting nothing
    EXPECT_EQ(history.Accept(folders), 0);
    EXPECT_TRUE(folders.list.empty());
}

TEST(ListChooser, AMillionRowsOpenAndSort) {
    Texts many(1 << 20);
    for (std::size_t i = 0; i < many.size(); ++i)
        many[i] = "/p/" + std::to_string(i * 7919 % many.size()) + ".jpg"; // distinct
    ChooserRequest request = Request(410, many, many.back());
    ListChooser chooser(request, {[](const std::string&) { return true; },
                                  [](const std::string&) { return true; }});
    chooser.Open();
    EXPECT_TRUE(chooser.IsSelected(many.size() - 1));
    chooser.SortAll(); // its speed is measured in bench/, not under sanitizers here
    EXPECT_EQ(chooser.RowCount(), many.size());
    EXPECT_EQ(chooser.Row(0), "/p/0.jpg");
    EXPECT_GT(chooser.CurrentRow(), -1);
}

} // namespace
