#pragma once
// Picture loading as the viewer runs it, without a window: for the tool's
// info and convert. Boxes the loader would show are collected as error texts.

#include "formats/loading/PictureLoader.h"
#include "platform/AppFolders.h"
#include "platform/ScriptedDialogs.h"

#include <memory>
#include <string>

namespace zvtool {

class QuietHost : public zv::LoadHost {
public:
    void SetStatusText(const std::string&) override {}
    zv::ViewArea ViewSize() const override { return view; }
    zv::ViewArea view{1600, 1200};
};

class ToolLoader {
public:
    ToolLoader();
    // ProbePicture of a path: its kind, and for pictures the descriptor.
    int Probe(const std::string& path);
    // The whole open; the picture is in Imaging().current when it succeeds.
    bool Open(const std::string& path);
    // What went wrong in the last call, for standard error.
    std::string Errors() const;

    zv::ImagingContext& Imaging() { return imaging_; }
    zv::PictureLoader& Loader() { return *loader_; }
    zv::LoadSettings& Settings() { return settings_; }
    QuietHost& Host() { return host_; }

private:
    zv::RunTempFolder temp_;
    zv::TempNames names_;
    zv::ImagingContext imaging_;
    zv::ImageLibrary library_;
    zv::PhotoCdLibrary photoCd_;
    zv::ScriptedDialogs dialogs_;
    QuietHost host_;
    zv::LoadSettings settings_;
    std::unique_ptr<zv::PictureLoader> loader_;
};

} // namespace zvtool
