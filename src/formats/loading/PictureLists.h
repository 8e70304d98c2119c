#pragma once
// The extension lists that route a picture file, tested by substring on the
// upper-case extension with its dot.

#include <string>

namespace zv {

inline constexpr const char* kAcceptedExtensions =
    ".JPG.JPEG.PNG.DCX.PCX.BMP.DIB.TIF.TGA.PCD.PSD.FPX.AVI.MPG.M1V.MPE.MPEG.MPV.M2V.WMV.ASF.QT."
    "MOV.RM.WAV.MP2.MP3.MPA.AIF.AIFF.AIFX.MID.RMI.AU.SND.RA.WMA.AVL";
inline constexpr const char* kMediaExtensions =
    ".AVI.MPG.M1V.MPE.MPEG.MPV.M2V.WMV.ASF.QT.MOV.RM.WAV.MP2.MP3.MPA.AIF.AIFF.AIFX.MID.RMI.AU.SND."
    "RA.WMA";
inline constexpr const char* kTextExtensions = ".RTF.TXT";
inline constexpr const char* kVectorExtensions = ".WMF.EMF";
inline constexpr const char* kDirectBitmapExtensions = ".BMP.DIB";
inline constexpr const char* kLibraryOnlyExtensions = ".DCX.FPX";
inline constexpr const char* kLayerExtensions = ".BMP.PNG.TIF.TGA.PCX.DIB.PSD";

// Any extension containing ".JP".
bool IsJpegExtension(const std::string& upperExtension);

} // namespace zv
