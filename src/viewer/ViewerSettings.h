#pragma once
// The viewer's settings record "VControls6014": 148 bytes, little-endian,
// with the defaults a first run starts from and the corrections applied when
// it is read back.

#include "platform/SettingsStore.h"
#include "platform/WindowBounds.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace zv {

inline constexpr const char* kViewerSettingsName = "VControls6014";
inline constexpr std::size_t kViewerSettingsSize = 148;

struct ViewerSettings {
    WindowBounds batchEditorBounds; // 0x00
    WindowBounds commentBounds;     // 0x10
    WindowBounds viewerBounds;      // 0x20: all zero until a window was stored
    bool menuBar = true;            // 0x30 "&Menus"
    bool toolBar = true;            // 0x31 "&Tool bar"
    bool statusBar = true;          // 0x32 "&Status bar"
    bool buttonText = true;         // 0x33 "&Button text"
    bool fitToWindow = false;       // 0x34
    bool autoReduce = false;        // 0x35 "Auto &Reduce"
    bool maxFullScreen = true;      // 0x36 "Max &Full screen"
    std::int32_t faxQuality = 2;    // 0x38 0..3: b/w, 4, 16, 64 shades
    std::int32_t jpegPalette = 3;   // 0x3C 0..3
    std::uint32_t backColour = 0;   // 0x40 view area background (red in the low byte)
    std::int32_t comctlClass =
        3;                  // 0x44 controls class, 1..4: 3 and up have flat bars and hot lists
    bool autoSize = true;   // 0x48 "Auto Si&ze"
    bool autoCenter = true; // 0x49 "Auto Ce&nter"
    std::int32_t effectSpeed = 1;          // 0x4C 0..3: Faster, Normal, Slower, Slowest
    std::int32_t showPalette = 0;          // 0x50 0..2
    std::int32_t delayMs = 500;            // 0x54 slideshow "&Delay"
    bool playerStatusLine = true;          // 0x58 "&Status line"
    bool playerTrackBar = true;            // 0x59 "&Track bar"
    bool playerControls = true;            // 0x5A "Player &controls"
    bool playerMaxFullScreen = true;       // 0x5B "Max &Full screen"
    bool playerAutoPlayLoop = true;        // 0x5C "Auto &Play + Loop"
    std::int32_t playerStatusHeight = 0;   // 0x60 measured
    std::int32_t playerTrackHeight = 0;    // 0x64 measured
    std::int32_t playerControlsHeight = 0; // 0x68 measured
    std::int32_t volume = 500;             // 0x6C 1..1000 "&Volume"
    bool autoSizeVideo = true;             // 0x70 "Auto &Size video"
    bool alwaysFullScreen = true;          // 0x71 "Always &Full screen"
    std::int32_t textPosition = 0;         // 0x78 0..2: Auto, Top, Bottom
    bool useScreen = false;                // 0x7C "&Use Screen"
    bool avlJukebox = false;               // 0x7D "AVL &Jukebox"
    bool pathBox = true;                   // 0x7E "&Path box"
    bool upsampledFit = true;              // 0x7F "&Upsampled fit"
    std::int32_t photoCdStep = 3;          // 0x80 0..6
    std::int32_t turboMode = 0;            // 0x88 "&Turbo mode", 0 or 1
    bool fastRefresh = true;               // 0x90 "&Fast Refresh"
    bool mergeToolBar = false;             // 0x91 "M&erge Tool bar and Path box"
    bool fullScreenMenus = false;          // 0x92 "with Men&us"

    friend bool operator==(const ViewerSettings&, const ViewerSettings&) = default;
};

using ViewerSettingsRecord = std::array<std::uint8_t, kViewerSettingsSize>;

// The record a first run starts from: fit to window on, shrinking only; fast
// refresh depends on the display.
ViewerSettings DefaultViewerSettings(int screenBits);

// The record's bytes, field by field at their offsets; reserved bytes are 0.
ViewerSettingsRecord SerializeViewerSettings(const ViewerSettings& settings);
// Reads the fields as stored, without corrections. A record of another size
// gives nothing.
std::optional<ViewerSettings> ParseViewerSettings(const Bytes& record);

// The corrections made when the record is read: a delay above 60,000 ms
// becomes 1,000, and every enumerated field is brought into its range.
void CorrectReadSettings(ViewerSettings& settings, int screenBits);
// The correction made when the record is written: a delay above 4,000 ms is
// stored as 500.
void CorrectWrittenSettings(ViewerSettings& settings);

// One line per field, "offset name value", in record order, as the settings
// command of zelvan-tool prints them.
std::string DescribeViewerSettings(const ViewerSettings& settings);

} // namespace zv
