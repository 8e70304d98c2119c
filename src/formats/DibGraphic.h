#pragma once
// TDibGraphic: the image-format layer's device-independent image in one of
// six formats, with its palette, resolution and, for multi-image files, its
// frames. The per-format readers and writers derive from it.

#include "formats/ByteReader.h"
#include "formats/GraphicErrors.h"
#include "formats/RgbToPaletteConverter.h"
#include "imaging/Bitmap.h"
#include "platform/ByteSink.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zv {

enum class ImageFormat : int {
    BW = 0,      // "B/W": 1 bit
    Gray4 = 1,   // "4bpp gray"
    Gray8 = 2,   // "8bpp gray"
    Color4 = 3,  // "4bpp color"
    Color8 = 4,  // "8bpp color"
    Color24 = 5, // "24bpp color"
};

// The format of a stored value; any other value raises "Invalid image format".
ImageFormat ImageFormatOf(int value);
const char* ImageFormatName(ImageFormat format);
int BitsOf(ImageFormat format);
bool HasPalette(ImageFormat format); // every format but "24bpp color"
bool IsGrey(ImageFormat format);     // "4bpp gray", "8bpp gray"
// The palette a new image of the format gets when none is given.
const Palette& DefaultPaletteOf(ImageFormat format);
// The pixel format of the viewer's Bitmap that holds the format's rows.
PixelFormat PixelFormatOf(ImageFormat format);

using Bytes = std::vector<std::uint8_t>;

// The largest image the layer makes, in bytes of pixel storage: a reader
// that claims more is refused before anything is allocated.
inline constexpr std::int64_t kMaxLayerImageBytes = std::int64_t{1} << 30;

// Pixels per metre from dots per inch and back, as the layer rounds them.
std::int32_t DpiToPixelsPerMetre(int dpi);
int PixelsPerMetreToDpi(std::int32_t pixelsPerMetre);

class TDibGraphic {
public:
    TDibGraphic();
    virtual ~TDibGraphic();
    TDibGraphic(const TDibGraphic&) = delete;
    TDibGraphic& operator=(const TDibGraphic&) = delete;

    // The class's name as messages show it ("TDibGraphic", "TPngGraphic").
    virtual const char* ClassName() const { return "TDibGraphic"; }
    // A new, empty image of the same class (for the frames of a multi-image file).
    virtual std::unique_ptr<TDibGraphic> NewOfSameClass() const;

    // --- The image ---
    // Discards the image and makes an empty one (all pixels 0). Without a
    // palette the format's default is used; dpi 0 takes the screen's.
    void NewImage(std::int32_t width, std::int32_t height, ImageFormat format,
                  const Palette* palette = nullptr, int xDpi = 0, int yDpi = 0);
    // Discards the pixels, palette and frames.
    void Clear();

    std::int32_t Width() const { return pixels_.Width(); }
    std::int32_t Height() const { return pixels_.Height(); }
    bool Empty() const { return pixels_.Empty(); }
    ImageFormat Format() const { return format_; }
    int Bits() const { return BitsOf(format_); }
    std::int64_t Stride() const { return pixels_.Stride(); }
    std::int64_t ImageSize() const { return pixels_.Stride() * pixels_.Height(); }
    // A "24bpp color" image may carry alpha: its pixels are then 32-bit
    // Bits32 ones with Bitmap::HasAlpha(). Only readers asked to keepAlpha
    // make such images, and only classes whose writer keeps alpha take one
    // over through Assign; every other class gets the colours without it.
    bool HasAlpha() const { return pixels_.HasAlpha(); }
    // Makes an image with alpha plain "24bpp color", dropping the alpha.
    void DropAlpha();
    // Whether the class's writer stores alpha (TGA, PNG).
    virtual bool WritesAlpha() const { return false; }
    // Dimensions change only through NewImage: these always raise
    // "Dimensions must be changed with NewImage".
    [[noreturn]] void SetWidth(std::int32_t width);
    [[noreturn]] void SetHeight(std::int32_t height);

    // Row y (0 the top row), in the layout of the format: 1 bit most
    // significant first, 4 bits high nibble first, 8 bits an index, 24 bits
    // blue, green, red (blue, green, red, alpha when HasAlpha()); rows
    // padded to 4 bytes.
    std::uint8_t* ScanLine(std::int32_t y) { return pixels_.ScanLine(y); }
    const std::uint8_t* ScanLine(std::int32_t y) const { return pixels_.ScanLine(y); }

    // The palette, as many entries as the image uses (at most 2^bits); empty
    // for "24bpp color". Setting it rebuilds the nearest-colour mapper.
    const Palette& Colours() const { return palette_; }
    void SetPalette(const Palette& palette);

    int XDpi() const { return PixelsPerMetreToDpi(xPixelsPerMetre_); }
    int YDpi() const { return PixelsPerMetreToDpi(yPixelsPerMetre_); }
    void SetXDpi(int dpi) { xPixelsPerMetre_ = DpiToPixelsPerMetre(dpi); }
    void SetYDpi(int dpi) { yPixelsPerMetre_ = DpiToPixelsPerMetre(dpi); }
    std::int32_t XPixelsPerMetre() const { return xPixelsPerMetre_; }
    std::int32_t YPixelsPerMetre() const { return yPixelsPerMetre_; }

    // The colour 0x00BBGGRR of a pixel; for palette formats its entry's colour.
    std::uint32_t GetPixel(std::int32_t x, std::int32_t y) const;
    // Palette formats store the nearest palette entry's index.
    void SetPixel(std::int32_t x, std::int32_t y, std::uint32_t colour);
    // Palette formats only, otherwise "The image does not have a palette".
    int GetPixelIndex(std::int32_t x, std::int32_t y) const;
    void SetPixelIndex(std::int32_t x, std::int32_t y, int index);

    // The 40-byte information header (bottom-up height, colours used = the
    // palette's entry count) followed by the palette as 4-byte entries.
    Bytes InfoHeader() const;

    // --- Exchange with other pictures ---
    // Format, palette, size, resolution, frame delay and pixels of another
    // image (its alpha only when this class writes alpha); nothing when
    // that one is empty.
    void Assign(const TDibGraphic& source);
    // A viewer Bitmap: 1, 4, 8 and 24 bits become "B/W", "4bpp color",
    // "8bpp color" and "24bpp color"; 15, 16, 32 and display pictures become
    // "24bpp color" (32 bits with alpha keep it when this class writes
    // alpha). Rows are copied whole.
    void Assign(const Bitmap& source, int xDpi = 0, int yDpi = 0);
    // The same, taking the pixels over without a copy where they are
    // already in the layer's format.
    void Assign(Bitmap&& source, int xDpi = 0, int yDpi = 0);
    // Into a viewer Bitmap of the matching pixel format, rows copied whole.
    void AssignTo(Bitmap& destination) const;
    const Bitmap& Pixels() const { return pixels_; }
    // Hands the pixels over without a copy and leaves the image empty.
    Bitmap TakePixels();

    // --- Files ---
    // Reads the image numbered imageToRead, or, with loadAllFrames, every
    // image of a multi-image file into the frames and shows frame 1.
    void LoadFromStream(ByteSpan data);
    void LoadFromFile(const std::filesystem::path& path);
    // Writes the image in the class's format; raises when it has no writer.
    virtual void SaveToStream(Bytes& out) const;
    // The same bytes handed to a sink as they are made. Classes whose
    // writer can go piece by piece override it; the rest hand over
    // SaveToStream's bytes whole.
    virtual void WriteTo(ByteSink& out) const;
    // Writes atomically: a failed save leaves the file as it was. Classes
    // that write in pieces stream to the file, without building it whole.
    void SaveToFile(const std::filesystem::path& path) const;
    // Appends the image to a multi-image stream; classes with one image per
    // file raise "The %s format does not support multiple images".
    virtual void AddImage(Bytes& stream) const;
    // How many images the data holds.
    virtual int ImageCount(ByteSpan data) const;

    // --- Frames ---
    int FrameCount() const { return static_cast<int>(frames_.size()); }
    int CurrentFrame() const { return currentFrame_; }
    const TDibGraphic& Frame(int n) const; // 1-based
    void AddFrame(std::unique_ptr<TDibGraphic> frame);
    // Shows frame n (1-based): "Frame %d does not exist" outside 1..count.
    void ShowFrame(int n);
    // The animation as the window drives it: while Animating(), call
    // NextFrame() every frameDelay milliseconds.
    bool Animating() const { return animate && FrameCount() > 0; }
    void NextFrame();

    int frameDelay = 200; // milliseconds between frames
    bool animate = false;
    bool loadAllFrames = false;
    int imageToRead = 1; // 1-based
    // Readers that find alpha in a true-colour file (PNG, TGA, BMP) keep it
    // instead of laying the picture on a background or dropping it.
    bool keepAlpha = false;

    // The screen's dots per inch, used when an image is made without a
    // resolution. Constant, so that readers on many threads share it safely.
    static constexpr int screenDpi = 96;

protected:
    // Reads image number imageNumber (1-based) of the data into this image.
    // The base class has no reader and raises.
    virtual void ReadImage(ByteSpan data, int imageNumber);
    // Whether WriteTo writes in pieces, so that SaveToFile may stream. A
    // class that says yes raises here what its writer would raise before
    // its first byte, so that a save refused outright touches no file.
    virtual bool ReadyToWriteInPieces() const { return false; }
    // A "24bpp color" image whose pixels carry alpha, all pixels 0; as NewImage.
    void NewAlphaImage(std::int32_t width, std::int32_t height, int xDpi = 0, int yDpi = 0);
    // Drops alpha that is 0 in every pixel: many writers declare alpha bits
    // and leave them clear, meaning an opaque picture, not an invisible one.
    void DropAlphaIfAllClear();
    const TRgbToPaletteConverter& Mapper() const;

private:
    void CopyImageOf(const TDibGraphic& source);

    Bitmap pixels_;
    ImageFormat format_ = ImageFormat::Color24;
    Palette palette_;
    std::int32_t xPixelsPerMetre_ = 0;
    std::int32_t yPixelsPerMetre_ = 0;
    mutable std::unique_ptr<TRgbToPaletteConverter> mapper_;
    std::vector<std::unique_ptr<TDibGraphic>> frames_;
    int currentFrame_ = -1;
};

// Reads a whole file into memory; throws EInvalidGraphic when it cannot, or
// when it is larger than the layer reads (2 GiB).
Bytes ReadWholeFile(const std::filesystem::path& path);

} // namespace zv
