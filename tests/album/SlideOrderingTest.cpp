#include "album/SlideOrdering.h"

#include "catalog/CompareWords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace zv {
namespace {

// An album of these paths, in this order (no files behind them).
SlideAlbum AlbumOf(const std::vector<std::string>& paths) {
    SlideAlbum album;
    album.SetVolumeOf([](const std::string&) { return std::string(); });
    for (const std::string& path : paths)
        album.AddSlide(SplitSlidePath(path), {}, album.Count(), 0);
    return album;
}

// Each slide as "record:path", joined by spaces.
std::string Slides(const SlideAlbum& album) {
    std::string text;
    for (int i = 0; i < album.Count(); ++i)
        text += (i ? " " : "") + std::to_string(album.Order()[i]) + ":" + album.SlidePath(i);
    return text;
}

struct ArrangeCase {
    const char* what;
    std::vector<std::string> paths;
    void (*arrange)(SlideAlbum&);
    const char* expected;
};

const ArrangeCase kCases[] = {
    {"an empty album stays empty", {}, ArrangeByName, ""},
    {"letters before case, lower case first among equals",
     {"/p/Banana.jpg", "/p/apple.jpg", "/p/Apple.jpg", "/p/b.jpg"},
     ArrangeByName,
     "1:/p/apple.jpg 2:/p/Apple.jpg 3:/p/b.jpg 0:/p/Banana.jpg"},
    {"a space sorts first, a text before its extensions; digits are not numbers",
     {"/p/ab.jpg", "/p/a b.jpg", "/p/a.jpg", "/p/10.jpg", "/p/9.jpg"},
     ArrangeByName,
     "3:/p/10.jpg 4:/p/9.jpg 2:/p/a.jpg 1:/p/a b.jpg 0:/p/ab.jpg"},
    {"equal names keep their records' order; the folder and extension do not count",
     {"/z/same.png", "/a/same.jpg", "/m/other.jpg", "/b/same.gif"},
     ArrangeByName,
     "2:/m/other.jpg 0:/z/same.png 1:/a/same.jpg 3:/b/same.gif"},
    {"names longer than the key head compare to the end",
     {"/p/picture 20.jpg", "/p/picture 3.jpg", "/p/picture 2.jpg", "/p/Picture 2.jpg"},
     ArrangeByName,
     "2:/p/picture 2.jpg 3:/p/Picture 2.jpg 0:/p/picture 20.jpg 1:/p/picture 3.jpg"},
    {"names alike beyond their first eight letters",
     {"/p/pictures of 2024 b.jpg", "/p/pictures of 2024 a.jpg", "/p/pictures of 2024.jpg",
      "/p/pictures of 2024 A.jpg", "/p/q.jpg"},
     ArrangeByName,
     "2:/p/pictures of 2024.jpg 1:/p/pictures of 2024 a.jpg 3:/p/pictures of 2024 A.jpg "
     "0:/p/pictures of 2024 b.jpg 4:/p/q.jpg"},
    {"a path sorts by folder first, then name and extension",
     {"/b/a.jpg", "/a/z.JPG", "/a/z.jpg", "/a/y.png"},
     ArrangeByPath,
     "3:/a/y.png 2:/a/z.jpg 1:/a/z.JPG 0:/b/a.jpg"},
};

TEST(SlideOrdering, ArrangesTheOrderByTheSlidesTexts) {
    for (const ArrangeCase& c : kCases) {
        SlideAlbum album = AlbumOf(c.paths);
        c.arrange(album);
        EXPECT_EQ(Slides(album), c.expected) << c.what;
    }
}

TEST(SlideOrdering, PermutesOnlyTheSlidesStillInTheAlbum) {
    SlideAlbum album = AlbumOf({"/p/d.jpg", "/p/c.jpg", "/p/b.jpg", "/p/a.jpg"});
    album.Cut({1});
    album.Relocate({0}, 3);
    ArrangeByName(album);
    EXPECT_EQ(Slides(album), "3:/p/a.jpg 2:/p/b.jpg 0:/p/d.jpg");
    EXPECT_EQ(album.RecordCount(), 4);
}

TEST(SlideOrdering, ANulInANameIsOrderedByItsByte) {
    using namespace std::string_literals;
    SlideAlbum album = AlbumOf({"/p/a b.jpg"s, "/p/a\0b.jpg"s, "/p/a b.jpg"s, "/p/A\0b.jpg"s});
    ArrangeByName(album);
    EXPECT_EQ(album.Order(), (std::vector<std::int32_t>{1, 0, 2, 3}));
}

// Many names of few letters, alike for long stretches, against a plain sort
// by the word order and then the record.
TEST(SlideOrdering, AgreesWithTheWordOrderOnManyNames) {
    std::mt19937 random(24);
    std::vector<std::string> paths;
    for (int i = 0; i < 3000; ++i) {
        std::string name(random() % 3 ? 6 : 0, 'x'); // a long shared start, mostly
        for (int n = static_cast<int>(random() % 12); n > 0; --n) name += "aA bB"[random() % 5];
        paths.push_back("/p/" + name + ".jpg");
    }
    SlideAlbum album = AlbumOf(paths);
    ArrangeByName(album);
    std::vector<std::int32_t> expected(paths.size());
    std::iota(expected.begin(), expected.end(), 0);
    std::sort(expected.begin(), expected.end(), [&](std::int32_t a, std::int32_t b) {
        const int c = CompareWords(album.Names()[a], album.Names()[b]);
        return c != 0 ? c < 0 : a < b;
    });
    EXPECT_EQ(album.Order(), expected);
}

} // namespace
} // namespace zv
