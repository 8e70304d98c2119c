#include "formats/DibGraphic.h"
#include "formats/LayerPalettes.h"
#include "formats/NegativeTransform.h"

#include <gtest/gtest.h>

namespace {

using namespace zv;

template <typename F> std::string MessageOf(F&& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no error";
}

std::uint32_t Rgb(int r, int g, int b) {
    return r | g << 8 | std::uint32_t(b) << 16;
}

TEST(DibGraphic, NewImageSizesRowsToWholeWords) {
    TDibGraphic image;
    image.NewImage(3, 2, ImageFormat::BW);
    EXPECT_EQ(image.Stride(), 4);
    EXPECT_EQ(image.ImageSize(), 8);
    EXPECT_EQ(image.Colours(), BlackWhitePalette());
    image.NewImage(5, 1, ImageFormat::Color24);
    EXPECT_EQ(image.Stride(), 16);
    EXPECT_TRUE(image.Colours().empty());
}

TEST(DibGraphic, ItsMessagesAreExact) {
    TDibGraphic image;
    EXPECT_EQ(MessageOf([] { ImageFormatOf(6); }), "Invalid image format");
    EXPECT_EQ(MessageOf([&] { image.SetWidth(10); }), "Dimensions must be changed with NewImage");
    EXPECT_EQ(MessageOf([&] { image.SetHeight(10); }), "Dimensions must be changed with NewImage");
    image.NewImage(2, 2, ImageFormat::Color24);
    EXPECT_EQ(MessageOf([&] { image.GetPixelIndex(0, 0); }), "The image does not have a palette");
    Bytes stream;
    EXPECT_EQ(MessageOf([&] { image.AddImage(stream); }),
              "The TDibGraphic format does not support multiple images");
    TNegativeTransform negative;
    EXPECT_EQ(MessageOf([&] { negative.ApplyOnDest(image, image); }),
              "Method \"ApplyOnDest\" not implemented for TNegativeTransform class");
}

TEST(DibGraphic, AnImageTooLargeIsRefusedBeforeAllocation) {
    TDibGraphic image;
    EXPECT_EQ(MessageOf([&] { image.NewImage(100000, 100000, ImageFormat::Color24); }),
              "CreateDibSection failed");
    EXPECT_TRUE(image.Empty());
    EXPECT_EQ(MessageOf([&] { image.NewImage(-1, 5, ImageFormat::Gray8); }),
              "CreateDibSection failed");
}

TEST(DibGraphic, ResolutionIsHeldInPixelsPerMetre) {
    TDibGraphic image;
    image.NewImage(1, 1, ImageFormat::Gray8, nullptr, 300, 72);
    EXPECT_EQ(image.XPixelsPerMetre(), 11811);
    EXPECT_EQ(image.XDpi(), 300);
    EXPECT_EQ(image.YPixelsPerMetre(), 2835);
    EXPECT_EQ(image.YDpi(), 72);
}

TEST(DibGraphic, PalettePixelsTakeTheNearestEntryThroughTheCache) {
    TDibGraphic image;
    image.NewImage(2, 1, ImageFormat::Gray8);
    image.SetPixel(0, 0, Rgb(10, 200, 30));
    EXPECT_EQ(image.GetPixelIndex(0, 0), 80);
    EXPECT_EQ(image.GetPixel(0, 0), Rgb(80, 80, 80));
    image.SetPixel(1, 0, Rgb(10, 200, 30));
    EXPECT_EQ(image.GetPixelIndex(1, 0), 80);

    // A new palette gives a new mapper, not the old palette's cached answers.
    Palette two = {{0, 0, 0, 0}, {30, 200, 10, 0}};
    image.SetPalette(two);
    image.SetPixel(0, 0, Rgb(10, 200, 30));
    EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
}

TEST(DibGraphic, IndexedRowsPackLeftmostPixelsHigh) {
    TDibGraphic bw;
    bw.NewImage(9, 1, ImageFormat::BW);
    bw.SetPixelIndex(0, 0, 1);
    bw.SetPixelIndex(8, 0, 1);
    EXPECT_EQ(bw.ScanLine(0)[0], 0x80);
    EXPECT_EQ(bw.ScanLine(0)[1], 0x80);
    TDibGraphic four;
    four.NewImage(3, 1, ImageFormat::Color4);
    four.SetPixelIndex(0, 0, 0xA);
    four.SetPixelIndex(1, 0, 0x5);
    four.SetPixelIndex(2, 0, 0xF);
    EXPECT_EQ(four.ScanLine(0)[0], 0xA5);
    EXPECT_EQ(four.ScanLine(0)[1], 0xF0);
    EXPECT_EQ(four.GetPixel(2, 0), Rgb(255, 255, 255));
}

TEST(DibGraphic, InfoHeaderDescribesTheImage) {
    TDibGraphic image;
    image.NewImage(3, 2, ImageFormat::Color4, nullptr, 300, 300);
    const Bytes header = image.InfoHeader();
    ASSERT_EQ(header.size(), 40u + 16 * 4);
    EXPECT_EQ(header[0], 40);
    EXPECT_EQ(header[4], 3);
    EXPECT_EQ(header[8], 2);
    EXPECT_EQ(header[12], 1);
    EXPECT_EQ(header[14], 4);
    EXPECT_EQ(header[20], 8); // two rows of 4 bytes
    EXPECT_EQ(header[24] | header[25] << 8, 11811);
    EXPECT_EQ(header[32], 16);
    EXPECT_EQ(header[40 + 4 * 6 + 1], 85); // entry 6 is brown: 170, 85, 0
}

TEST(DibGraphic, DefaultPalettesHaveTheirStructure) {
    EXPECT_EQ(Grey16Palette()[15].red, 255);
    EXPECT_EQ(Grey16Palette()[1].green, 17);
    const Palette& colour = Colour256Palette();
    ASSERT_EQ(colour.size(), 256u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(colour[i], Colour16Palette()[i]);
    EXPECT_EQ(colour[16 + 5].red, 69);
    EXPECT_EQ(colour[255], (PaletteEntry{0, 0, 0, 0}));
}

TEST(DibGraphic, BitmapsComeAndGoByWholeRows) {
    Bitmap source;
    source.Create(3, 2, PixelFormat::Bits1);
    source.ScanLine(1)[0] = 0xA0;
    TDibGraphic image;
    image.Assign(source, 150, 150);
    EXPECT_EQ(image.Format(), ImageFormat::BW);
    EXPECT_EQ(image.GetPixelIndex(0, 1), 1);
    EXPECT_EQ(image.GetPixelIndex(1, 1), 0);
    EXPECT_EQ(image.XDpi(), 150);
    Bitmap back;
    image.AssignTo(back);
    EXPECT_EQ(back.Format(), PixelFormat::Bits1);
    EXPECT_EQ(back.ScanLine(1)[0], 0xA0);

    Bitmap wide;
    wide.Create(2, 1, PixelFormat::Bits32);
    wide.ScanLine(0)[4] = 9;  // blue of pixel 1
    wide.ScanLine(0)[6] = 77; // red of pixel 1
    image.Assign(wide);
    EXPECT_EQ(image.Format(), ImageFormat::Color24);
    EXPECT_EQ(image.GetPixel(1, 0), Rgb(77, 0, 9));
}

TEST(DibGraphic, AssignCopiesEverythingButEmptiness) {
    TDibGraphic source;
    source.NewImage(2, 2, ImageFormat::Gray4, nullptr, 200, 100);
    source.SetPixelIndex(1, 1, 9);
    source.frameDelay = 70;
    TDibGraphic target;
    target.NewImage(1, 1, ImageFormat::Color24);
    target.Assign(source);
    EXPECT_EQ(target.Format(), ImageFormat::Gray4);
    EXPECT_EQ(target.GetPixelIndex(1, 1), 9);
    EXPECT_EQ(target.YDpi(), 100);
    EXPECT_EQ(target.frameDelay, 70);
    target.Assign(TDibGraphic());
    EXPECT_EQ(target.Width(), 2);
}

TEST(NegativeTransform, GreyAndTrueColourInvertPixelsPaletteColourInvertsThePalette) {
    TDibGraphic grey;
    grey.NewImage(2, 1, ImageFormat::Gray8);
    grey.ScanLine(0)[0] = 10;
    TDibGraphic colour;
    colour.NewImage(2, 1, ImageFormat::Color8);
    colour.ScanLine(0)[1] = 4;
    TDibGraphic full;
    full.NewImage(1, 1, ImageFormat::Color24);
    full.SetPixel(0, 0, Rgb(0, 100, 255));

    std::vector<int> progress;
    TNegativeTransform negative;
    negative.onProgress = [&](int percent) { progress.push_back(percent); };
    negative.ApplyOnImage(grey);
    negative.ApplyOnImage(colour);
    negative.ApplyOnImage(full);

    EXPECT_EQ(grey.ScanLine(0)[0], 245);
    EXPECT_EQ(colour.ScanLine(0)[1], 4);
    EXPECT_EQ(colour.GetPixel(1, 0), Rgb(85, 255, 255)); // entry 4 was 170, 0, 0
    EXPECT_EQ(full.GetPixel(0, 0), Rgb(255, 155, 0));
    EXPECT_EQ(progress.front(), 0);
    EXPECT_EQ(progress.back(), 100);
}

// A reader whose file holds three 1 x 1 images, image i of grey level i.
class ThreeImageGraphic : public TDibGraphic {
public:
    const char* ClassName() const override { return "ThreeImageGraphic"; }
    std::unique_ptr<TDibGraphic> NewOfSameClass() const override {
        return std::make_unique<ThreeImageGraphic>();
    }
    int ImageCount(ByteSpan) const override { return 3; }

protected:
    void ReadImage(ByteSpan, int imageNumber) override {
        NewImage(1, 1, ImageFormat::Gray8);
        ScanLine(0)[0] = static_cast<std::uint8_t>(imageNumber);
    }
};

TEST(DibGraphicFrames, AllFramesLoadAndShowInTurn) {
    ThreeImageGraphic image;
    const Bytes data(4, 0);
    image.imageToRead = 2;
    image.LoadFromStream(data);
    EXPECT_EQ(image.FrameCount(), 0);
    EXPECT_EQ(image.ScanLine(0)[0], 2);

    image.loadAllFrames = true;
    image.LoadFromStream(data);
    EXPECT_EQ(image.FrameCount(), 3);
    EXPECT_EQ(image.CurrentFrame(), 1);
    EXPECT_EQ(image.ScanLine(0)[0], 1);
    image.NextFrame();
    image.NextFrame();
    EXPECT_EQ(image.ScanLine(0)[0], 3);
    image.NextFrame();
    EXPECT_EQ(image.CurrentFrame(), 1);
    EXPECT_EQ(MessageOf([&] { image.ShowFrame(0); }), "Frame 0 does not exist");
    EXPECT_EQ(MessageOf([&] { image.ShowFrame(4); }), "Frame 4 does not exist");
    EXPECT_FALSE(image.Animating());
    image.animate = true;
    EXPECT_TRUE(image.Animating());
}

} // namespace
