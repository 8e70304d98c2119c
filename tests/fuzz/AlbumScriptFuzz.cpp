// AVL scripts: any bytes either decode into an album of at most the slides
// the header announces or raise EAlbumError ("Bad AVL file." and the line),
// and the header never makes the decoder reserve more than the bytes hold.

#include "album/AlbumScript.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const zv::ScriptHeader header = zv::ReadScriptHeader(bytes, true);
        zv::SlideAlbum album;
        album.SetVolumeOf([](const std::string&) { return std::string(); });
        zv::DecodeAvlScript(bytes, header, album, {});
        if (album.Count() > header.slideCount) __builtin_trap();
    } catch (const zv::EAlbumError&) {
    }
    return 0;
}
