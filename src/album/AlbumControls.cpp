#include "album/AlbumControls.h"

#include "platform/LittleEndian.h"

namespace zv {

namespace {

std::int32_t Int32At(const Bytes& bytes, std::size_t at) {
    return static_cast<std::int32_t>(GetLittle32(bytes.data() + at));
}

void PutInt32(Bytes& bytes, std::int32_t value) {
    bytes.resize(bytes.size() + 4);
    PutLittle32(bytes.data() + bytes.size() - 4, static_cast<std::uint32_t>(value));
}

} // namespace

AlbumControls ParseAlbumControls(const std::optional<Bytes>& value) {
    AlbumControls controls;
    if (!value || value->size() != kAlbumControlsSize) return controls;
    const Bytes& bytes = *value;
    controls.bounds =
        WindowBounds{Int32At(bytes, 0), Int32At(bytes, 4), Int32At(bytes, 8), Int32At(bytes, 12)};
    controls.toolBar = bytes[16] != 0;
    controls.statusBar = bytes[17] != 0;
    controls.propertiesBox = bytes[18] != 0;
    controls.buttonText = bytes[19] != 0;
    return controls;
}

Bytes SerializeAlbumControls(const WindowBounds& bounds, const AlbumViewState& view) {
    Bytes bytes;
    for (std::int32_t value : {bounds.left, bounds.top, bounds.right, bounds.bottom})
        PutInt32(bytes, value);
    for (bool on : {view.toolBar, view.statusBar, view.propertiesBox, view.buttonText})
        bytes.push_back(on ? 1 : 0);
    return bytes;
}

void ApplyAlbumControls(const AlbumControls& controls, AlbumViewState& view) {
    view.toolBar = controls.toolBar;
    view.statusBar = controls.statusBar;
    view.propertiesBox = controls.propertiesBox;
    view.buttonText = controls.buttonText;
}

} // namespace zv
