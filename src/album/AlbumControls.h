#pragma once
// The album window's remembered layout, the settings value "SControls6000":
// its bounds and whether the tool bar, status bar, properties box and
// button texts are shown. Our layout, 20 bytes little-endian: left, top,
// right and bottom as int32, then one byte 0 or 1 for each of the four
// bars in that order. A value of another size gives the defaults (all on,
// no bounds).

#include "album/AlbumEditor.h"
#include "platform/SettingsStore.h"
#include "platform/WindowBounds.h"

#include <optional>

namespace zv {

inline constexpr const char* kAlbumControlsName = "SControls6000";
inline constexpr std::size_t kAlbumControlsSize = 20;

struct AlbumControls {
    std::optional<WindowBounds> bounds;
    bool toolBar = true;
    bool statusBar = true;
    bool propertiesBox = true;
    bool buttonText = true;
};

AlbumControls ParseAlbumControls(const std::optional<Bytes>& value);
Bytes SerializeAlbumControls(const WindowBounds& bounds, const AlbumViewState& view);
// The bars' choices into the view state.
void ApplyAlbumControls(const AlbumControls& controls, AlbumViewState& view);

} // namespace zv
