#include "app/SettingsSession.h"

namespace zv {

SettingsSession::SettingsSession(SettingsStore& store, int screenBits)
    : settings(DefaultViewerSettings(screenBits)), store_(store) {
    try {
        ReadStored();
    } catch (const ESettingsError&) {
        // A store that cannot be read is left as it is: the run uses the
        // defaults and writes nothing back over what it could not read.
        settings = DefaultViewerSettings(screenBits);
        unreadable_ = true;
    }
    CorrectReadSettings(settings, screenBits);
    readSettings_ = settings;
    readOpenDir_ = openDir;
    readSaveDir_ = saveDir;
    readExifOrientation_ = exifOrientation;
}

void SettingsSession::ReadStored() {
    if (auto record = store_.ReadBinary(kViewerSettingsName)) {
        if (auto stored = ParseViewerSettings(*record)) {
            settings = *stored;
            viewerExisted_ = true;
        }
    }
    if (auto record = store_.ReadBinary(kExplorerSettingsName))
        explorerExisted_ = record->size() == 84;
    openDir = store_.ReadString(kOpenDirName).value_or("");
    saveDir = store_.ReadString(kSaveDirName).value_or("");
    exifOrientation = store_.ReadString(kExifOrientationName).value_or("1") != "0";
}

bool SettingsSession::ChangedSinceRead() const {
    return settings != readSettings_ || openDir != readOpenDir_ || saveDir != readSaveDir_ ||
           exifOrientation != readExifOrientation_;
}

bool SettingsSession::NeedsSave(const std::string& startFile) const {
    if (unreadable_) return false;
    return startFile != "*" || !viewerExisted_ || ChangedSinceRead();
}

bool SettingsSession::SaveAtClose(const std::string& startFile) {
    if (!NeedsSave(startFile)) return false;
    store_.WriteString(kOpenDirName, openDir);
    store_.WriteString(kSaveDirName, saveDir);
    store_.WriteString(kExifOrientationName, exifOrientation ? "1" : "0");
    ViewerSettings stored = settings;
    CorrectWrittenSettings(stored);
    const ViewerSettingsRecord record = SerializeViewerSettings(stored);
    store_.WriteBinary(kViewerSettingsName, Bytes(record.begin(), record.end()));
    return true;
}

} // namespace zv
