#include "album/JpegMarkers.h"

#include "JpegFixtures.h"

#include <gtest/gtest.h>

#include <random>

namespace zv {
namespace {

using zvtest::Join;
using zvtest::JpegBytes;
using zvtest::PlainJpeg;
using zvtest::Segment;

// The start of a JFIF file: SOI and an APP0 "JFIF" segment of length 16.
const JpegBytes kJfifStart = Join(
    {{0xFF, 0xD8}, Segment(0xE0, JpegBytes{'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0})});

TEST(MacHeader, CutAtTheSoiInFrontOfJfif) {
    JpegBytes mac(128, 0);
    mac[1] = 5; // a name length, as such headers begin
    const JpegBytes file = Join({mac, PlainJpeg()});
    EXPECT_EQ(MacHeaderLength(file), 128u);
}

TEST(MacHeader, NeverInAFileThatStartsWithSoi) {
    // A camera file: byte 6 is the "E" of "Exif", and the EXIF block holds a
    // JFIF thumbnail. The picture must not be cut down to the thumbnail.
    const JpegBytes exif =
        Join({JpegBytes{'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0}, kJfifStart,
              JpegBytes{0xFF, 0xD9}});
    const JpegBytes plain = PlainJpeg();
    const JpegBytes file =
        Join({{0xFF, 0xD8}, Segment(0xE1, exif), JpegBytes(plain.begin() + 2, plain.end())});
    ASSERT_NE(file[6], 'J');
    EXPECT_EQ(MacHeaderLength(file), 0u);
}

TEST(MacHeader, OnlyWhereSoiStandsAtTheCut) {
    // "JFIF" in the header's own bytes is passed over for the real one.
    JpegBytes header(40, 0);
    const char* text = "....JFIF text";
    std::copy(text, text + 13, header.begin() + 10);
    EXPECT_EQ(MacHeaderLength(Join({header, PlainJpeg()})), 40u);
    EXPECT_EQ(MacHeaderLength(header), 0u);
    // Byte 6 "J": no Mac header whatever follows.
    JpegBytes j = Join({header, PlainJpeg()});
    j[6] = 'J';
    EXPECT_EQ(MacHeaderLength(j), 0u);
    EXPECT_EQ(MacHeaderLength(JpegBytes{1, 2, 3}), 0u);
}

std::vector<JpegStep> Walk(const JpegBytes& bytes) {
    std::vector<JpegStep> steps;
    JpegMarkerWalk walk(bytes);
    JpegStep step;
    while (walk.Next(step)) steps.push_back(step);
    return steps;
}

TEST(JpegMarkerWalk, StepsCoverEveryByteInOrderAndKeepTheTrailer) {
    const JpegBytes file = Join({PlainJpeg(), {'t', 'a', 'i', 'l', 0xFF, 0xFE, 0, 4}});
    const std::vector<JpegStep> steps = Walk(file);
    std::size_t next = 0;
    for (const JpegStep& step : steps) {
        EXPECT_EQ(step.offset, next);
        next += step.size;
    }
    EXPECT_EQ(next, file.size());
    ASSERT_GE(steps.size(), 4u);
    EXPECT_EQ(steps.front().kind, JpegStep::Kind::SOI);
    EXPECT_EQ(steps[1].kind, JpegStep::Kind::Segment);
    EXPECT_EQ(steps[1].code, 0xE0);
    EXPECT_EQ(steps[1].size, 18u);
    // The trailer is one step, even where it looks like a comment.
    EXPECT_EQ(steps.back().kind, JpegStep::Kind::Trailer);
    EXPECT_EQ(steps.back().size, 8u);
    EXPECT_EQ(steps[steps.size() - 2].kind, JpegStep::Kind::EOI);
}

TEST(JpegMarkerWalk, EntropyBytesPassAsRunsAndSingleBytes) {
    // SOS with a 2-byte header, then data with a stuffed FF 00, a restart
    // marker, fill bytes and a lone FF at the very end (no EOI).
    const JpegBytes file = Join({{0xFF, 0xD8},
                                 Segment(0xDA, JpegBytes{1, 2}),
                                 {9, 9, 0xFF, 0x00, 7, 0xFF, 0xD0, 0xFF, 0xFF, 0xFF}});
    std::vector<std::pair<JpegStep::Kind, std::size_t>> seen;
    for (const JpegStep& step : Walk(file)) seen.emplace_back(step.kind, step.size);
    using K = JpegStep::Kind;
    const std::vector<std::pair<K, std::size_t>> expected = {
        {K::SOI, 2},  {K::Segment, 6}, {K::Run, 2},  {K::Byte, 1}, {K::Run, 2},
        {K::Byte, 1}, {K::Run, 1},     {K::Byte, 1}, {K::Byte, 1}, {K::Byte, 1}};
    EXPECT_EQ(seen, expected);
}

TEST(JpegMarkerWalk, HostileLengthsAreBadMarkers) {
    const JpegBytes soi{0xFF, 0xD8};
    const JpegBytes cases[] = {
        Join({soi, {0xFF, 0xFE, 0x00, 0x00}}),       // length 0
        Join({soi, {0xFF, 0xE1, 0x00, 0x01}}),       // length 1
        Join({soi, {0xFF, 0xDB, 0x00, 0x05, 1, 2}}), // 3 data bytes claimed, 2 present
        Join({soi, {0xFF, 0xC0, 0x00}}),             // length cut off
        Join({soi, {0xFF, 0xE0, 0xFF, 0xFF}}),       // 65533 claimed
    };
    for (const JpegBytes& bytes : cases) EXPECT_THROW(Walk(bytes), EJpegMarkers);
    EXPECT_THROW(JpegMarkerWalk(JpegBytes{0x89, 'P', 'N', 'G'}), EJpegMarkers);
    EXPECT_THROW(JpegMarkerWalk(JpegBytes{}), EJpegMarkers);
    EXPECT_EQ(Walk(Join({soi, {0xFF, 0xFE, 0x00, 0x02}})).size(), 2u) << "empty comment";
}

TEST(JpegMarkerWalk, DamagedFilesEndOrFailButNeverOverrun) {
    const JpegBytes file =
        Join({zvtest::Splice(PlainJpeg(), 20, Segment(0xFE, "note")), {1, 2, 3}});
    std::mt19937 random(3);
    for (int round = 0; round < 3000; ++round) {
        JpegBytes damaged(file.begin(),
                          file.begin() + 2 +
                              static_cast<std::ptrdiff_t>(random() % (file.size() - 1)));
        for (int k = 0; k < 3; ++k)
            damaged[random() % damaged.size()] ^= static_cast<std::uint8_t>(random());
        damaged[0] = 0xFF;
        damaged[1] = 0xD8;
        try {
            std::size_t covered = 0;
            for (const JpegStep& step : Walk(damaged)) covered += step.size;
            EXPECT_EQ(covered, damaged.size());
        } catch (const EJpegMarkers&) {
        }
    }
}

TEST(JpegTextToUtf8, KeepsUtf8ReadsOtherTextAsWindows1252) {
    auto text = [](const std::string& s) {
        return JpegTextToUtf8(ByteSpan(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()));
    };
    EXPECT_EQ(text("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(text("caf\xE9 \x80\x99"), "caf\xC3\xA9 \xE2\x82\xAC\xE2\x84\xA2");
    EXPECT_EQ(text(std::string("a\0b\0", 4)), "ab");
    EXPECT_EQ(text("\xC0\xAF"), "\xC3\x80\xC2\xAF") << "an overlong form is not UTF-8";
    EXPECT_EQ(text("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC") << "nor is a surrogate";
}

} // namespace
} // namespace zv
