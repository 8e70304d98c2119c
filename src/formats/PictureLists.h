#pragma once
// The extension lists of the files the viewer accepts (pictures, media, text
// and metafiles), tested by substring on the upper-case extension with its
// dot. Which reader a picture takes is the format table's choice.

#include <string>
#include <string_view>

namespace zv {

inline constexpr const char* kAcceptedExtensions =
    ".JPG.JPEG.PNG.DCX.PCX.BMP.DIB.TIF.TGA.PCD.PSD.FPX.AVI.MPG.M1V.MPE.MPEG.MPV.M2V.WMV.ASF.QT."
    "MOV.RM.WAV.MP2.MP3.MPA.AIF.AIFF.AIFX.MID.RMI.AU.SND.RA.WMA.AVL.ICO.CUR";
inline constexpr const char* kMediaExtensions =
    ".AVI.MPG.M1V.MPE.MPEG.MPV.M2V.WMV.ASF.QT.MOV.RM.WAV.MP2.MP3.MPA.AIF.AIFF.AIFX.MID.RMI.AU.SND."
    "RA.WMA";
inline constexpr const char* kTextExtensions = ".RTF.TXT";
// Slide album scripts, played rather than shown; zip archives, listed in the
// zip browser.
inline constexpr const char* kAlbumScriptExtensions = ".AVL";
inline constexpr const char* kArchiveExtensions = ".ZIP";
// Batch scripts, opened in the batch editor.
inline constexpr const char* kBatchScriptExtensions = ".BIP";
inline constexpr const char* kVectorExtensions = ".WMF.EMF";

// The program's own files that are not pictures, told by their exact
// extension in any case (".ZI" is no archive).
enum class OwnFileKind { None, Archive, AlbumScript, AlbumCatalog, PictureList, BatchScript };
OwnFileKind OwnFileKindOf(std::string_view path);

// Any extension containing ".JP".
bool IsJpegExtension(const std::string& upperExtension);

} // namespace zv
