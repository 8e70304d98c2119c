#pragma once
// The extension lists that decide what a file is to the lists of files (the
// explorer's rows, the album's slides): pictures, media, slides, and files
// with an icon of their own. Tested with ExtensionIn from platform/Extensions.h.

#include <string_view>

namespace zv {

inline constexpr std::string_view ImageExtensions =
    ".JPG.JPEG.PNG.DCX.PCX.BMP.DIB.TIF.TGA.PCD.PSD.FPX";
inline constexpr std::string_view MediaExtensions =
    ".JPG.JPEG.PNG.DCX.PCX.BMP.DIB.TIF.TGA.PCD.PSD.FPX.AVI.MPG.M1V.MPE.MPEG.MPV.M2V.WMV.ASF.WAV."
    "MP2."
    "MP3.MPA.MID.AU.SND.WMA";
// MediaExtensions and ".ZIP": what one file opens in the viewer with UseViewer on.
inline constexpr std::string_view MediaZipExtensions =
    ".JPG.JPEG.PNG.DCX.PCX.BMP.DIB.TIF.TGA.PCD.PSD.FPX.AVI.MPG.M1V.MPE.MPEG.MPV.M2V.WMV.ASF.WAV."
    "MP2."
    "MP3.MPA.MID.AU.SND.WMA.ZIP";
inline constexpr std::string_view SlideExtensions =
    ".JPG.JPEG.PNG.DCX.PCX.BMP.DIB.TIF.TGA.PCD.PSD.FPX.AVI.MPG.M1V.MPE.MPEG.MPV.M2V.WMV.ASF.QT.MOV."
    "RM."
    "WAV.MP2.MP3.MPA.AIF.AIFF.AIFX.MID.RMI.AU.SND.RA.WMA.RA.RM.QT.MOV.RAM";
// Files whose icon is looked up for the file itself rather than per extension.
inline constexpr std::string_view IconExtensions = ".LNK.EXE.ICO.CUR";

} // namespace zv
