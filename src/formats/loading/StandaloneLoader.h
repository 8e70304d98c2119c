#pragma once
// Picture loading as the viewer runs it, without a window: the loader with
// its own imaging context, library, temporary names and quiet dialogs. Used
// where pictures are read away from the viewer's document: the command-line
// tool and the thumbnail makers (one per decoding thread). Boxes the loader
// would show are collected as error texts.

#include "formats/loading/PictureLoader.h"
#include "platform/AppFolders.h"
#include "platform/ScriptedDialogs.h"

#include <memory>
#include <string>

namespace zv {

class QuietLoadHost : public LoadHost {
public:
    void SetStatusText(const std::string&) override {}
    ViewArea ViewSize() const override { return view; }
    ViewArea view{1600, 1200};
};

class StandaloneLoader {
public:
    StandaloneLoader();
    StandaloneLoader(const StandaloneLoader&) = delete;
    StandaloneLoader& operator=(const StandaloneLoader&) = delete;

    // ProbePicture of a path: its kind, and for pictures the descriptor.
    int Probe(const std::string& path);
    // The whole open; the picture is in Imaging().current when it succeeds.
    bool Open(const std::string& path);
    // What went wrong in the last call.
    std::string Errors() const;

    ImagingContext& Imaging() { return imaging_; }
    PictureLoader& Loader() { return *loader_; }
    LoadSettings& Settings() { return settings_; }
    QuietLoadHost& Host() { return host_; }

private:
    RunTempFolder temp_;
    TempNames names_;
    ImagingContext imaging_;
    ImageLibrary library_;
    PhotoCdLibrary photoCd_;
    ScriptedDialogs dialogs_;
    QuietLoadHost host_;
    LoadSettings settings_;
    std::unique_ptr<PictureLoader> loader_;
};

} // namespace zv
