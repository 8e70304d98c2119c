#include "viewer/TextFiles.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

using namespace zv;
namespace fs = std::filesystem;

using TextFile = zvtest::TempFolderTest;

// What WordPad writes for two short paragraphs.
const std::string kWordPadFile =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1033"
    "{\\fonttbl{\\f0\\fnil\\fcharset0 Calibri;}{\\f1\\fnil\\fcharset2 Symbol;}}\r\n"
    "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
    "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n"
    "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22\\lang9 Caf\\'e9 costs 5\\u8364?.\\par\r\n"
    "\\cf1\\b Bold\\b0\\cf0  and {\\i nested {\\ul groups}}\\tab end\\line next\\par\r\n"
    "}\r\n";

TEST_F(TextFile, WordPadRichTextLosesItsMarkup) {
    EXPECT_EQ(ReadTextForDisplay(Write("letter.rtf", kWordPadFile)),
              "Caf\xC3\xA9 costs 5\xE2\x82\xAC.\nBold and nested groups\tend\nnext\n");
}

TEST_F(TextFile, RichTextIsKnownByItsContentNotItsName) {
    EXPECT_EQ(ReadTextForDisplay(Write("note.txt", "{\\rtf1 Hi\\par}")), "Hi\n");
    EXPECT_EQ(ReadTextForDisplay(Write("plain.rtf", "Just {text}\r\n")), "Just {text}\n");
}

TEST(RichText, EscapesAndNamedCharacters) {
    EXPECT_EQ(RtfToText("{\\rtf1 a\\{b\\}c\\\\d}"), "a{b}c\\d");
    EXPECT_EQ(RtfToText("{\\rtf1 \\ldblquote x\\rdblquote\\~y\\emdash z\\bullet}"),
              "\xE2\x80\x9Cx\xE2\x80\x9D\xC2\xA0y\xE2\x80\x94z\xE2\x80\xA2");
    // \'80 is the euro sign in Windows-1252, not a C1 control.
    EXPECT_EQ(RtfToText("{\\rtf1 \\'80\\'E9\\'e9}"), "\xE2\x82\xAC\xC3\xA9\xC3\xA9");
    // Raw line ends in the source are not text; a control word ends at a space,
    // which it takes with it.
    EXPECT_EQ(RtfToText("{\\rtf1 one\r\ntwo\\par three}"), "onetwo\nthree");
}

TEST(RichText, UnicodeWithItsReplacementCount) {
    // \uc1: one replacement character after each \u; \uc0: none; \uc2: two,
    // where \'hh counts as one and a group ends the count.
    EXPECT_EQ(RtfToText("{\\rtf1 \\uc1\\u8364?x}"), "\xE2\x82\xAC"
                                                    "x");
    EXPECT_EQ(RtfToText("{\\rtf1 \\uc0\\u8364 x}"), "\xE2\x82\xAC"
                                                    "x");
    EXPECT_EQ(RtfToText("{\\rtf1 \\uc2\\u8364\\'80\\'80x}"), "\xE2\x82\xAC"
                                                             "x");
    EXPECT_EQ(RtfToText("{\\rtf1 {\\uc3\\u8364?}x}"), "\xE2\x82\xAC"
                                                      "x");
    // The count belongs to its group.
    EXPECT_EQ(RtfToText("{\\rtf1 {\\uc0 a}\\u233?b}"), "a\xC3\xA9"
                                                       "b");
    // Negative values are 16-bit units; a surrogate pair is one character.
    EXPECT_EQ(RtfToText("{\\rtf1 \\u-3971?}"), "\xEF\x81\xBD");
    EXPECT_EQ(RtfToText("{\\rtf1 \\u-10179?\\u-8704?}"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(RtfToText("{\\rtf1 \\u-10179?x}"), "\xEF\xBF\xBD"
                                                 "x");
}

TEST(RichText, DestinationsThatAreNotTextAreSkipped) {
    EXPECT_EQ(RtfToText("{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\author Me}{\\title T}}"
                        "{\\*\\unknowndest secret {\\b deep}}"
                        "{\\pict\\wmetafile8 0123abcd}{\\header Head}shown}"),
              "shown");
    // A field shows its result, not its instruction.
    EXPECT_EQ(RtfToText("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}"),
              "link");
    // \bin data is skipped byte for byte, braces and backslashes included.
    EXPECT_EQ(RtfToText("{\\rtf1 a{\\*\\blob\\bin4 }{\\}}b}"), "ab");
    EXPECT_EQ(RtfToText("{\\rtf1 a\\bin3 x}\\b}"), "ab");
}

TEST(RichText, DamagedFilesGiveWhatCanBeRead) {
    EXPECT_EQ(RtfToText("{\\rtf1 a}}}b{c"), "abc");   // unbalanced braces
    EXPECT_EQ(RtfToText("{\\rtf1 {\\fonttbl x"), ""); // cut inside a skipped group
    EXPECT_EQ(RtfToText("{\\rtf1 caf\\'e"), "caf");   // cut inside \'hh
    EXPECT_EQ(RtfToText("{\\rtf1 ok\\"), "ok");       // cut after a backslash
    EXPECT_EQ(RtfToText("{\\rtf1 ok\\u"), "ok");
    EXPECT_EQ(RtfToText("{\\rtf1 a\\'zzb}"), "azzb"); // not hex: the digits are text
    EXPECT_EQ(RtfToText("{\\rtf1 \\bin99999999999 x}"), "");
    EXPECT_EQ(RtfToText("{\\rtf1 \\u99999999999?ok}"), "\xEF\xBF\xBD"
                                                       "ok");
    const std::string deep(100000, '{');
    EXPECT_EQ(RtfToText("{\\rtf1 " + deep + "x"), "x");
}

TEST(PlainText, LineEndsAndEncodings) {
    EXPECT_EQ(PlainTextToUtf8("a\r\nb\rc\nd\r\n\r\n"), "a\nb\nc\nd\n\n");
    EXPECT_EQ(PlainTextToUtf8("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xC3\xA9 \xE2\x82\xAC");
    // Not UTF-8: Latin-1 letters and the Windows-1252 extras.
    EXPECT_EQ(PlainTextToUtf8("caf\xE9 \x80 \x93x\x94"),
              "caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cx\xE2\x80\x9D");
    // One stray byte makes the whole file Windows-1252, including the bytes
    // that looked like UTF-8.
    EXPECT_EQ(PlainTextToUtf8("\xC3\xA9\xFF"), "\xC3\x83\xC2\xA9\xC3\xBF");
    // Overlong forms and encoded surrogates are not UTF-8.
    EXPECT_EQ(PlainTextToUtf8("\xC0\xAF"), "\xC3\x80\xC2\xAF");
    EXPECT_EQ(PlainTextToUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");
    EXPECT_EQ(PlainTextToUtf8("\xEF\xBB\xBFhi\r\n"), "hi\n");
    EXPECT_EQ(PlainTextToUtf8(std::string("\xFF\xFEh\0i\0\r\0\n\0\x3D\xD8\x00\xDE", 14)),
              "hi\n\xF0\x9F\x98\x80");
    EXPECT_EQ(PlainTextToUtf8(std::string("\xFE\xFF\0h\0\xE9", 6)), "h\xC3\xA9");
}

TEST_F(TextFile, PlainFilesAreReadWithTheirEncoding) {
    EXPECT_EQ(ReadTextForDisplay(Write("dos.txt", "line one\r\nline two\r\n")),
              "line one\nline two\n");
    EXPECT_EQ(ReadTextForDisplay(Write("latin.txt", "na\xEFve\r\n")), "na\xC3\xAFve\n");
    EXPECT_EQ(ReadTextForDisplay(Write("empty.txt", "")), "");
}

TEST_F(TextFile, ReadingStopsAtTheLimit) {
    const std::string path = Write("big.txt", std::string(1000, 'x') + "tail");
    EXPECT_EQ(ReadTextForDisplay(path, 10), std::string(10, 'x'));
    EXPECT_EQ(ReadTextForDisplay(path, 0), "");
    // The limit falling inside a UTF-8 character drops that character rather
    // than turning the whole text into Windows-1252.
    const std::string euros = Write("euros.txt", "\xC3\xA9\xE2\x82\xAC\xE2\x82\xAC");
    EXPECT_EQ(ReadTextForDisplay(euros, 6), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(ReadTextForDisplay(euros, 8), "\xC3\xA9\xE2\x82\xAC\xE2\x82\xAC");
}

TEST_F(TextFile, UnreadableFilesThrow) {
    EXPECT_THROW(ReadTextForDisplay((folder / "missing.txt").string()), ETextFileError);
    EXPECT_THROW(ReadTextForDisplay(folder.string()), ETextFileError);
}

} // namespace
