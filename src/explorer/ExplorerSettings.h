#pragma once
// The explorer window's settings record "EControls6014": 84 bytes,
// little-endian, and the folder it showed last, "ExploreDir".

#include "platform/SettingsStore.h"
#include "platform/WindowBounds.h"

#include <array>
#include <cstdint>
#include <optional>

namespace zv {

inline constexpr const char* kExplorerSettingsName = "EControls6014";
inline constexpr const char* kExploreDirName = "ExploreDir";
inline constexpr std::size_t kExplorerSettingsSize = 84;

enum class ExplorerViewStyle : std::int32_t {
    List = 0,
    SmallIcons = 1,
    Details = 2,
    LargeIcons = 3,
    Thumbnails = 4
};

struct ExplorerSettings {
    WindowBounds bounds;                                         // 0: left and top absolute
    bool toolBar = true;                                         // 16
    bool statusBar = true;                                       // 17
    bool buttonText = true;                                      // 18
    bool autoMinimize = true;                                    // 19
    bool autoRefresh = true;                                     // 20
    bool folderTree = false;                                     // 21
    std::int32_t treeWidth = 0;                                  // 24: applied when above 96
    ExplorerViewStyle viewStyle = ExplorerViewStyle::LargeIcons; // 28
    std::int32_t thumbSizeIndex = 4;                             // 32
    bool useViewer = true;                                       // 36 (low byte)
    bool ditherThumbs = true;                                    // 40 (low byte)
    std::uint32_t thumbColour = 0; // 44: a colour value, system colours have the top bit set
    std::int32_t clickStyle = 1;   // 48
    bool networkSupport = false;   // 54
    friend bool operator==(const ExplorerSettings&, const ExplorerSettings&) = default;
};

using ExplorerSettingsRecord = std::array<std::uint8_t, kExplorerSettingsSize>;

// The record a window without saved settings starts from: three quarters of
// the screen, centred; the thumbnail size index 3, 4 or 5 by screen width;
// the thumbnail view.
ExplorerSettings DefaultExplorerSettings(int screenWidth, int screenHeight);
// Byte 53 is always written as 1; unused bytes are 0.
ExplorerSettingsRecord SerializeExplorerSettings(const ExplorerSettings& settings);
// Nothing unless the block has exactly 84 bytes.
std::optional<ExplorerSettings> ParseExplorerSettings(const Bytes& block);

// Saved bounds are used only for a window of at least 64 x 64 pixels that lies
// within the screen.
bool ExplorerBoundsUsable(const WindowBounds& bounds, int screenWidth, int screenHeight);

} // namespace zv
