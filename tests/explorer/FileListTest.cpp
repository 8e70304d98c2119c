#include "explorer/FileList.h"
#include "explorer/Comments.h"
#include "platform/FileDate.h"

#include <gtest/gtest.h>

namespace {

using namespace zv;

FileRecord File(const std::string& name, std::int32_t size = 100, std::uint32_t date = 0) {
    FileRecord r;
    r.Name = r.FileName = name;
    r.Size = size;
    r.FileDate = date;
    return r;
}

FileRecord Folder(const std::string& name) {
    FileRecord r = File(name, 0);
    r.SortPrefix = " ";
    r.ThumbState = kThumbFolder;
    return r;
}

struct List {
    RecordStore store;
    ViewOrder order;
    explicit List(std::initializer_list<FileRecord> records) {
        for (const FileRecord& r : records) order.push_back(store.Append(r));
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int n : order) names.push_back(store[n].Name);
        return names;
    }
};

std::uint32_t Date(int year, int month, int day, int hour = 12, int minute = 0, int second = 0) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return PackDosDateTime(t);
}

using Names = std::vector<std::string>;

TEST(FileListSort, WordOrderPutsSpacesFirstThenIgnoresCaseThenLowerFirst) {
    EXPECT_LT(CompareWords(" zoo", "0"), 0);
    EXPECT_LT(CompareWords("apple", "Banana"), 0);
    EXPECT_LT(CompareWords("a", "A"), 0);
    EXPECT_LT(CompareWords("Photo", "photo1"), 0);
    EXPECT_EQ(CompareWords("Same", "Same"), 0);

    List list{File("b.jpg"), Folder("Zeta"), File("A.jpg"), Folder("alpha"), File("a.jpg")};
    SortViewOrder(list.store, list.order, SortKind::NameAscending);
    EXPECT_EQ(list.Names(), (Names{"alpha", "Zeta", "a.jpg", "A.jpg", "b.jpg"}));
    SortViewOrder(list.store, list.order, SortKind::NameDescending);
    EXPECT_EQ(list.Names(), (Names{"b.jpg", "A.jpg", "a.jpg", "Zeta", "alpha"}));
}

TEST(FileListSort, FamilyTypeSizeAndDateOrders) {
    List family{File("Paris 02"), File("Beach 01"), File("Rome 01")};
    SortViewOrder(family.store, family.order, SortKind::Family);
    EXPECT_EQ(family.Names().back(), "Paris 02");

    List type{File("b.png"), File("a.tif"), Folder("x.tif"), File("c.jpg")};
    SortViewOrder(type.store, type.order, SortKind::Type);
    EXPECT_EQ(type.Names(), (Names{"x.tif", "c.jpg", "b.png", "a.tif"}));

    // A packed date from 2044 on has its top bit set; it is still the latest.
    List dated{File("late", 1, Date(2050, 1, 1)), File("early", 1, Date(1999, 1, 1)),
               File("mid", 1, Date(2020, 6, 1))};
    SortViewOrder(dated.store, dated.order, SortKind::DateAscending);
    EXPECT_EQ(dated.Names(), (Names{"early", "mid", "late"}));

    List sized{File("big", 5000), File("small", 10), File("mid", 700)};
    SortViewOrder(sized.store, sized.order, SortKind::SizeDescending);
    EXPECT_EQ(sized.Names(), (Names{"big", "mid", "small"}));
}

TEST(FileListSort, HeaderClicksAlternateFromTheRememberedDirection) {
    SortDirections fresh;
    EXPECT_EQ(fresh.HeaderClick(DetailsColumn::Size), SortKind::SizeAscending);
    EXPECT_EQ(fresh.HeaderClick(DetailsColumn::Size), SortKind::SizeDescending);
    EXPECT_EQ(fresh.HeaderClick(DetailsColumn::TypeDimensions), std::nullopt);

    SortDirections afterCommand;
    afterCommand.Remember(SortKind::SizeDescending);
    EXPECT_EQ(afterCommand.HeaderClick(DetailsColumn::Size), SortKind::SizeDescending);
    EXPECT_EQ(afterCommand.HeaderClick(DetailsColumn::Size), SortKind::SizeAscending);
    EXPECT_EQ(afterCommand.HeaderClick(DetailsColumn::Name), SortKind::NameAscending);
}

TEST(FileListRecords, PathUsesTheRealFileNameNotTheShownName) {
    FileRecord r = File("photo");
    r.FileName = "photo.v1.jpg";
    EXPECT_EQ(RecordPath("/pics", r), "/pics/photo.v1.jpg");
    FileRecord byHand;
    byHand.Name = "photo";
    byHand.HiddenExt = ".JPG";
    EXPECT_EQ(RecordPath("/pics/", byHand), "/pics/photo.JPG");
    byHand.DrivePath = "/media/usb/";
    EXPECT_EQ(RecordPath("/pics/", byHand, true), "/media/usb/");
}

TEST(FileListTexts, TypeColumnIsComputedOnceAndCut) {
    int asked = 0;
    const PictureSizeQuery query = [&](const std::string& path) -> std::optional<PictureSize> {
        ++asked;
        if (path == "/p/big.jpg") return PictureSize{1024, 768, 24};
        return std::nullopt;
    };
    FileRecord jpeg = File("big.jpg");
    EXPECT_EQ(EnsureTypeText(jpeg, "/p/", query), ".JPG 1024x768(24");
    EXPECT_EQ(EnsureTypeText(jpeg, "/p/", query), ".JPG 1024x768(24");
    EXPECT_EQ(asked, 1);

    FileRecord unreadable = File("bad.png");
    EXPECT_EQ(EnsureTypeText(unreadable, "/p/", query), ".PNG");
    FileRecord text = File("notes.txt");
    EXPECT_EQ(EnsureTypeText(text, "/p/", query), ".TXT");
    FileRecord folder = Folder("trip.jpg");
    EXPECT_EQ(EnsureTypeText(folder, "/p/", query), "Folder");
    EXPECT_EQ(asked, 2);
}

TEST(FileListTexts, SizeDateAndStatusTexts) {
    FileRecord big = File("a.jpg", static_cast<std::int32_t>(5'000'000'000LL & 0xFFFFFFFF),
                          Date(2024, 5, 1, 14, 3, 22));
    EXPECT_EQ(SizeColumnText(big), "688508 KB");
    EXPECT_EQ(DateColumnText(big), "05/01/24 14:03:22");

    List list{File("a.txt", 2048, Date(2024, 5, 1, 14, 3, 22)), File("b.txt", 100), Folder("sub")};
    const PictureSizeQuery none;
    StatusTexts one = BuildStatusTexts(list.store, list.order, {0}, false, "/p/", none);
    EXPECT_EQ(one.panel1, "item selected");
    EXPECT_EQ(one.panel2, ".TXT");
    EXPECT_EQ(one.panel3, "2 KB, 05/01/24 14:03:22");
    EXPECT_EQ(
        BuildStatusTexts(list.store, list.order, {1}, false, "/p/", none).panel3.substr(0, 11),
        "100 bytes, ");
    EXPECT_EQ(BuildStatusTexts(list.store, list.order, {}, false, "/p/", none).panel1,
              "3 object(s)");
    EXPECT_EQ(BuildStatusTexts(list.store, list.order, {0, 2}, false, "/p/", none).panel1,
              "2 object(s) selected");
    EXPECT_EQ(BuildStatusTexts(list.store, list.order, {}, true, "", none).panel1, "My Computer");
    EXPECT_EQ(WindowCaption("Photos"), "Zelvan 7.04 .. Photos");
}

TEST(FileListSelection, SelectionCommands) {
    List list{Folder("sub"), File("a.JPG"), File("clip.mp3"), File("b.txt")};
    EXPECT_EQ(SelectAllFiles(list.store, list.order), (RowSelection{1, 2, 3}));
    EXPECT_EQ(SelectAllImages(list.store, list.order), (RowSelection{1, 2}));
    EXPECT_EQ(InvertSelection(4, {0, 2}), (RowSelection{1, 3}));
    EXPECT_EQ(SelectAllRows(2, true), std::nullopt);
    EXPECT_EQ(FindKeyItem(list.store, list.order, {1}, 'A'), std::nullopt);
    EXPECT_EQ(FindKeyItem(list.store, list.order, {}, 'S'), 0);
}

TEST(FileListSelection, FindAndQuery) {
    List list{File("MyFavPic.jpg"), File("other.jpg"), File("beach.jpg")};
    EXPECT_EQ(FindFilename(list.store, list.order, "fav").selected, (RowSelection{0}));
    const SearchResult miss = FindFilename(list.store, list.order, "zzz");
    EXPECT_TRUE(miss.selected.empty());
    EXPECT_EQ(miss.message, "No match found for\nzzz");

    List single{File("only.jpg")};
    const SearchResult nothing = FindFilename(single.store, single.order, "x");
    EXPECT_FALSE(nothing.ran);
    EXPECT_TRUE(nothing.message.empty());

    FolderComments comments;
    comments.loaded = true;
    comments.Set("beach.jpg", "beach at noon");
    const SearchResult query = QueryComments(list.store, list.order, {1}, comments, "Beach");
    EXPECT_EQ(query.selected, (RowSelection{1, 2}));
    EXPECT_EQ(CommentColumnText(list.store[2], comments), "beach at noon");
}

} // namespace
