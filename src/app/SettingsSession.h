#pragma once
// The viewer's settings for one run: read once at start with their
// corrections, written back at the end only when there is something to keep.

#include "explorer/ExplorerSettings.h"
#include "platform/SettingsStore.h"
#include "viewer/ViewerSettings.h"

#include <string>

namespace zv {

inline constexpr const char* kOpenDirName = "OpenDir";
inline constexpr const char* kSaveDirName = "SaveDir";
// "Rotate by EXIF orientation", a value of its own beside the record: "1" or "0".
inline constexpr const char* kExifOrientationName = "RotateByExifOrientation";

class SettingsSession {
public:
    // Reads "VControls6014", "OpenDir" and "SaveDir", and notes whether the
    // viewer's and the explorer's records exist. Missing or short values give
    // the defaults, silently.
    SettingsSession(SettingsStore& store, int screenBits);

    ViewerSettings settings;
    std::string openDir;
    std::string saveDir;
    bool exifOrientation = true; // on unless stored "0"

    bool ViewerSettingsExisted() const { return viewerExisted_; }
    bool ExplorerSettingsExisted() const { return explorerExisted_; }
    bool FirstRun() const { return !viewerExisted_ || !explorerExisted_; }

    // Whether the end of the run writes the record: when a picture was opened
    // or given on the command line (startFile is not "*"), when no record
    // existed, or when any setting changed in this run; never when the store
    // could not be read at the start.
    bool NeedsSave(const std::string& startFile) const;
    // Writes the folders and the record (with the write corrections) when
    // NeedsSave; returns whether it wrote. Throws ESettingsError on failure.
    bool SaveAtClose(const std::string& startFile);

private:
    void ReadStored();
    bool ChangedSinceRead() const;

    SettingsStore& store_;
    bool viewerExisted_ = false;
    bool explorerExisted_ = false;
    bool unreadable_ = false;
    ViewerSettings readSettings_;
    std::string readOpenDir_;
    std::string readSaveDir_;
    bool readExifOrientation_ = true;
};

} // namespace zv
