#pragma once
// The outside world as the core sees it: one reference to each platform service.

#include "platform/AppFolders.h"
#include "platform/Dialogs.h"
#include "platform/Display.h"
#include "platform/InstanceLock.h"
#include "platform/MemoryStatus.h"
#include "platform/SettingsStore.h"
#include "platform/Trash.h"

namespace zv {

struct Platform {
    SettingsStore& settings;
    Dialogs& dialogs;
    MemoryStatusSource& memory;
    Display& display;
    Trash& trash;
    InstanceLock& avlRunning;
    AppFolders folders;
};

} // namespace zv
