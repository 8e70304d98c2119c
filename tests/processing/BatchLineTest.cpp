// Reading and writing batch lines, and the parameters that persist between them.

#include "processing/BatchLine.h"

#include <gtest/gtest.h>

namespace zv {
namespace {

TEST(BatchLine, WordAndNumbers) {
    BatchLine line = ParseBatchLine("gamma=120,130,140");
    EXPECT_EQ(line.kind, BatchLineKind::Command);
    EXPECT_EQ(line.word, "GAMMA");
    EXPECT_TRUE(line.hasArgument);
    EXPECT_EQ(line.numbers, (EffectValues{120, 130, 140}));

    line = ParseBatchLine("BRIGHTNESS=  -5,\t+7, 0\r\n");
    EXPECT_EQ(line.kind, BatchLineKind::Command);
    EXPECT_EQ(line.numbers, (EffectValues{-5, 7, 0}));

    line = ParseBatchLine("GAMMA=120"); // missing numbers read as 0
    EXPECT_EQ(line.numbers, (EffectValues{120, 0, 0}));

    line = ParseBatchLine("ZERO");
    EXPECT_EQ(line.kind, BatchLineKind::Command);
    EXPECT_EQ(line.word, "ZERO");
    EXPECT_FALSE(line.hasArgument);
}

TEST(BatchLine, LinesThatDoNotRead) {
    for (const char* text :
         {"BRIGHTNESS=10,10,10,10", "GAMMA=1,x,3", "GAMMA=1,,3", "GAMMA=1,2,", "GAMMA=", "GAMMA=5 ",
          "GAMMA=99999999999", "GAMMA=+-5", "GAMMA=0x10", "GAMMA=1.5"}) {
        const BatchLine line = ParseBatchLine(text);
        EXPECT_EQ(line.kind, BatchLineKind::Malformed) << text;
        EXPECT_FALSE(line.problem.empty()) << text;
        EXPECT_EQ(line.numbers, EffectValues{}) << text;
    }
    EXPECT_EQ(ParseBatchLine("").kind, BatchLineKind::Blank);
    EXPECT_EQ(ParseBatchLine("  \t\r").kind, BatchLineKind::Blank);
    EXPECT_EQ(ParseBatchLine(">CONFORM_RED=128,40").kind, BatchLineKind::Inactive);
    // The word is taken exactly; a blank before "=" is part of it.
    EXPECT_EQ(ParseBatchLine("GAMMA =1,2,3").word, "GAMMA ");
}

TEST(BatchLine, TextArgumentsKeepTheirCaseAndCommas) {
    BatchLine line = ParseBatchLine("PromptString=Check the Sky, then=go");
    EXPECT_EQ(line.kind, BatchLineKind::Command);
    EXPECT_TRUE(line.textArgument);
    EXPECT_EQ(line.word, "PROMPTSTRING");
    EXPECT_EQ(line.argument, "Check the Sky, then=go");
    EXPECT_TRUE(ParseBatchLine("SAVE").textArgument);
    EXPECT_TRUE(ParseBatchLine("TEXTMARK_TOPLEFT=(c) me").textArgument);
    EXPECT_TRUE(ParseBatchLine("LOADFILE=/tmp/A.png").textArgument);
}

TEST(BatchLine, Format) {
    EXPECT_EQ(FormatBatchLine("GAMMA", {200, 150, -3}, 3), "GAMMA=200,150,-3");
    EXPECT_EQ(FormatBatchLine("ENHANCE", {0, 10, 99}, 2), "ENHANCE=0,10");
    EXPECT_EQ(FormatBatchLine("GAMMA_SATURATION", {150, 0, 0}, 1), "GAMMA_SATURATION=150");
    EXPECT_EQ(FormatBatchLine("ZERO", {1, 2, 3}, 0), "ZERO");
    const BatchLine back = ParseBatchLine(FormatBatchLine("CONTRAST", {-127, 0, 127}, 3));
    EXPECT_EQ(back.numbers, (EffectValues{-127, 0, 127}));
}

TEST(BatchLine, ParametersPersistUntilTheNextNumericLine) {
    EffectValues kept;
    EXPECT_EQ(ParametersFor(ParseBatchLine("SHIFT=5,5,5"), kept), (EffectValues{5, 5, 5}));
    EXPECT_EQ(ParametersFor(ParseBatchLine("GAMMA"), kept), (EffectValues{5, 5, 5}));
    // Lines that do not read, and text lines, leave them as they were.
    EXPECT_EQ(ParametersFor(ParseBatchLine("GAMMA=1,x"), kept), (EffectValues{5, 5, 5}));
    EXPECT_EQ(ParametersFor(ParseBatchLine("PROMPTSTRING=7"), kept), (EffectValues{5, 5, 5}));
    EXPECT_EQ(ParametersFor(ParseBatchLine("GAMMA=120"), kept), (EffectValues{120, 0, 0}));
}

} // namespace
} // namespace zv
