#include "explorer/ExplorerSettings.h"

#include "catalog/ThumbCache.h"

#include "platform/LittleEndian.h"

#include <limits>

namespace zv {

namespace {

// The window-system colour value of the system window colour.
constexpr std::uint32_t kSystemWindowColour = 0x80000005;
constexpr std::size_t kAlwaysOneOffset = 53;

std::int32_t Absolute(std::int32_t value) {
    if (value == std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::max();
    return value < 0 ? -value : value;
}

} // namespace

ExplorerSettings DefaultExplorerSettings(int screenWidth, int screenHeight) {
    ExplorerSettings settings;
    const int width = int(std::int64_t{screenWidth} * 3 / 4);
    const int height = int(std::int64_t{screenHeight} * 3 / 4);
    settings.bounds.left = (screenWidth - width) / 2;
    settings.bounds.top = (screenHeight - height) / 2;
    settings.bounds.right = settings.bounds.left + width;
    settings.bounds.bottom = settings.bounds.top + height;
    settings.thumbSizeIndex = DefaultThumbSizeIndex(screenWidth);
    settings.thumbColour = kSystemWindowColour;
    settings.viewStyle = ExplorerViewStyle::Thumbnails; // a new user sees the pictures
    return settings;
}

ExplorerSettingsRecord SerializeExplorerSettings(const ExplorerSettings& settings) {
    ExplorerSettingsRecord record{};
    std::uint8_t* at = record.data();
    PutLittle32(at + 0, std::uint32_t(Absolute(settings.bounds.left)));
    PutLittle32(at + 4, std::uint32_t(Absolute(settings.bounds.top)));
    PutLittle32(at + 8, std::uint32_t(settings.bounds.right));
    PutLittle32(at + 12, std::uint32_t(settings.bounds.bottom));
    at[16] = settings.toolBar;
    at[17] = settings.statusBar;
    at[18] = settings.buttonText;
    at[19] = settings.autoMinimize;
    at[20] = settings.autoRefresh;
    at[21] = settings.folderTree;
    PutLittle32(at + 24, std::uint32_t(settings.treeWidth));
    PutLittle32(at + 28, std::uint32_t(settings.viewStyle));
    PutLittle32(at + 32, std::uint32_t(settings.thumbSizeIndex));
    PutLittle32(at + 36, settings.useViewer ? 1 : 0);
    PutLittle32(at + 40, settings.ditherThumbs ? 1 : 0);
    PutLittle32(at + 44, settings.thumbColour);
    PutLittle32(at + 48, std::uint32_t(settings.clickStyle));
    at[kAlwaysOneOffset] = 1;
    at[54] = settings.networkSupport;
    return record;
}

std::optional<ExplorerSettings> ParseExplorerSettings(const Bytes& block) {
    if (block.size() != kExplorerSettingsSize) return std::nullopt;
    const std::uint8_t* at = block.data();
    ExplorerSettings settings;
    settings.bounds.left = std::int32_t(GetLittle32(at + 0));
    settings.bounds.top = std::int32_t(GetLittle32(at + 4));
    settings.bounds.right = std::int32_t(GetLittle32(at + 8));
    settings.bounds.bottom = std::int32_t(GetLittle32(at + 12));
    settings.toolBar = at[16] != 0;
    settings.statusBar = at[17] != 0;
    settings.buttonText = at[18] != 0;
    settings.autoMinimize = at[19] != 0;
    settings.autoRefresh = at[20] != 0;
    settings.folderTree = at[21] != 0;
    settings.treeWidth = std::int32_t(GetLittle32(at + 24));
    settings.viewStyle = ExplorerViewStyle(std::int32_t(GetLittle32(at + 28)));
    settings.thumbSizeIndex = std::int32_t(GetLittle32(at + 32));
    settings.useViewer = at[36] != 0; // only the low byte counts
    settings.ditherThumbs = at[40] != 0;
    settings.thumbColour = GetLittle32(at + 44);
    settings.clickStyle = std::int32_t(GetLittle32(at + 48));
    settings.networkSupport = at[54] != 0;
    return settings;
}

bool ExplorerBoundsUsable(const WindowBounds& bounds, int screenWidth, int screenHeight) {
    // In 64 bits: a damaged record may hold any values.
    const std::int64_t width = std::int64_t{bounds.right} - bounds.left;
    const std::int64_t height = std::int64_t{bounds.bottom} - bounds.top;
    return width >= 64 && height >= 64 && bounds.left >= 0 && bounds.top >= 0 &&
           bounds.right <= screenWidth && bounds.bottom <= screenHeight;
}

} // namespace zv
